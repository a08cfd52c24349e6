#include "uSPLSaveRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace ostrovel {

namespace {

// How a field is stored and when it is written.
enum class TKind : uint8_t {
  Int64Above,    // int64, written above 0
  Int64NotZero,  // int64, written when not 0
  Int32Above,
  Int32NotZero,
  UInt32NotZero,
  Int16NotZero,
  UInt8NotZero,
  Language16,  // a one-byte language written as 16 bits, when not 0
  Text255,     // 510 bytes
  Text81,      // 162 bytes
};

size_t KindSize(TKind kind) {
  switch (kind) {
    case TKind::Int64Above:
    case TKind::Int64NotZero:
      return 8;
    case TKind::Int32Above:
    case TKind::Int32NotZero:
    case TKind::UInt32NotZero:
      return 4;
    case TKind::Int16NotZero:
    case TKind::Language16:
      return 2;
    case TKind::UInt8NotZero:
      return 1;
    case TKind::Text255:
      return kCaptureTextBytes;
    case TKind::Text81:
      return 162;
  }
  return 0;
}

template <class Record>
struct TField {
  uint32_t Type;
  TKind Kind;
  void* (*At)(Record&);
};

#define PAGE_FIELD(type, kind, member)                                      \
  TField<TSplPageRecord> {                                                  \
    type, TKind::kind, [](TSplPageRecord& p) -> void* { return &p.member; } \
  }

// Page records in the order they are written.
const std::array<TField<TSplPageRecord>, 39> kPageFields = {
    PAGE_FIELD(crJobId, Int64NotZero, JobId),
    PAGE_FIELD(crDataOffset, Int64Above, DataOffset),
    PAGE_FIELD(crDataSize, Int64Above, DataSize),
    PAGE_FIELD(crSpoolBase, Int64Above, SpoolBase),
    PAGE_FIELD(crSpoolData, Int64Above, SpoolSize),
    PAGE_FIELD(crReserved1, Int64Above, Reserved1),
    PAGE_FIELD(crName, Text255, Name),
    PAGE_FIELD(crDevModeOffset, Int64Above, DevModeOffset),
    PAGE_FIELD(crDevModeSize, Int64Above, DevModeSize),
    PAGE_FIELD(crFontOffset, Int64Above, FontOffset),
    PAGE_FIELD(crFontSize, Int64Above, FontSize),
    PAGE_FIELD(crReserved2, UInt32NotZero, Reserved2),
    PAGE_FIELD(crPhysicalWidth, Int64Above, Device.PhysicalWidth),
    PAGE_FIELD(crPhysicalHeight, Int64Above, Device.PhysicalHeight),
    PAGE_FIELD(crOffsetX, Int64Above, Device.OffsetX),
    PAGE_FIELD(crOffsetY, Int64Above, Device.OffsetY),
    PAGE_FIELD(crPrintableWidth, Int64Above, Device.PrintableWidth),
    PAGE_FIELD(crPrintableHeight, Int64Above, Device.PrintableHeight),
    PAGE_FIELD(crPhysicalWidthMm, Int64Above, Mm.PhysicalWidth),
    PAGE_FIELD(crPhysicalHeightMm, Int64Above, Mm.PhysicalHeight),
    PAGE_FIELD(crOffsetXMm, Int64Above, Mm.OffsetX),
    PAGE_FIELD(crOffsetYMm, Int64Above, Mm.OffsetY),
    PAGE_FIELD(crPrintableWidthMm, Int64Above, Mm.PrintableWidth),
    PAGE_FIELD(crPrintableHeightMm, Int64Above, Mm.PrintableHeight),
    PAGE_FIELD(crLanguage, Int16NotZero, Language),
    PAGE_FIELD(crOrientationChanged, UInt8NotZero, OrientationChanged),
    PAGE_FIELD(crText1, Text81, Text1),
    PAGE_FIELD(crText2, Text81, Text2),
    PAGE_FIELD(crRenderFlag1, UInt8NotZero, RenderFlags[0]),
    PAGE_FIELD(crRenderFlag2, UInt8NotZero, RenderFlags[1]),
    PAGE_FIELD(crRenderFlag3, UInt8NotZero, RenderFlags[2]),
    PAGE_FIELD(crSpoolEnd, UInt8NotZero, ColourPage),
    PAGE_FIELD(crEnd, Int32Above, ColourMeasures[0]),
    PAGE_FIELD(crColourMeasure2, Int32Above, ColourMeasures[1]),
    PAGE_FIELD(crColourMeasure3, Int32Above, ColourMeasures[2]),
    PAGE_FIELD(crColourMeasure4, Int32Above, ColourMeasures[3]),
    PAGE_FIELD(crReserved4, Int64Above, Reserved4),
    // Never written: the page-rendering offset and size. Listed so the
    // reader knows them.
    PAGE_FIELD(crRenderedOffset, Int64Above, RenderedOffset),
    PAGE_FIELD(crRenderedSize, Int64Above, RenderedSize),
};
constexpr size_t kWrittenPageFields = 37;
#undef PAGE_FIELD

#define INFO_FIELD(type, kind, member)                                \
  TField<TSPLInfo> {                                                  \
    type, TKind::kind, [](TSPLInfo& i) -> void* { return &i.member; } \
  }

// Job attribute records in the order they are written.
const std::array<TField<TSPLInfo>, 24> kAttributeFields = {
    INFO_FIELD(crFlags, UInt32NotZero, Flags),
    INFO_FIELD(crTitle, Text255, Title),
    INFO_FIELD(crUserName, Text255, UserName),
    INFO_FIELD(crPageBox1, Int32Above, PageBox1),
    INFO_FIELD(crPageBox3, Int32Above, PageBox3),
    INFO_FIELD(crPageBox2, Int32Above, PageBox2),
    INFO_FIELD(crPageBox4, Int32Above, PageBox4),
    INFO_FIELD(crOrientation, UInt8NotZero, Orientation),
    INFO_FIELD(crLanguageName, Text255, LanguageName),
    INFO_FIELD(crInfoLanguage, Language16, Language),
    INFO_FIELD(crCopies, Int32NotZero, Copies),
    INFO_FIELD(crResolution, Int32NotZero, Resolution),
    INFO_FIELD(crInfoPages, Int32NotZero, Pages),
    INFO_FIELD(crPaperName, Text255, PaperName),
    INFO_FIELD(crDuplex, UInt8NotZero, Duplex),
    INFO_FIELD(crColourMeasure1Info, Int32Above, ColourMeasure1),
    INFO_FIELD(crColourMeasure2Info, Int32Above, ColourMeasure2),
    INFO_FIELD(crColourMeasure3Info, Int32Above, ColourMeasure3),
    INFO_FIELD(crColourMeasure4Info, Int32Above, ColourMeasure4),
    INFO_FIELD(crColour, UInt8NotZero, Colour),
    INFO_FIELD(crInfoReserved1, Int32Above, Reserved1),
    INFO_FIELD(crPaperWidthMm, Int32Above, PaperWidthMm),
    INFO_FIELD(crInfoReserved2, Int32Above, Reserved2),
    INFO_FIELD(crPaperLengthMm, Int32Above, PaperLengthMm),
};
constexpr size_t kWrittenAttributeFields = kAttributeFields.size();
#undef INFO_FIELD

// Whether a field holds a value worth a record.
bool HasValue(TKind kind, const void* at) {
  switch (kind) {
    case TKind::Int64Above:
      return *static_cast<const int64_t*>(at) > 0;
    case TKind::Int64NotZero:
      return *static_cast<const int64_t*>(at) != 0;
    case TKind::Int32Above:
      return *static_cast<const int32_t*>(at) > 0;
    case TKind::Int32NotZero:
      return *static_cast<const int32_t*>(at) != 0;
    case TKind::UInt32NotZero:
      return *static_cast<const uint32_t*>(at) != 0;
    case TKind::Int16NotZero:
      return *static_cast<const int16_t*>(at) != 0;
    case TKind::UInt8NotZero:
    case TKind::Language16:
      return *static_cast<const uint8_t*>(at) != 0;
    case TKind::Text255:
    case TKind::Text81:
      return !static_cast<const std::u16string*>(at)->empty();
  }
  return false;
}

template <class Record>
void WriteField(TCaptureWriter& w, const TField<Record>& f, Record& record) {
  void* at = f.At(record);
  if (!HasValue(f.Kind, at)) return;
  switch (f.Kind) {
    case TKind::Text255:
      w.TextRecord(f.Type, *static_cast<const std::u16string*>(at), 255);
      break;
    case TKind::Text81:
      w.TextRecord(f.Type, *static_cast<const std::u16string*>(at), 81);
      break;
    case TKind::Language16: {
      const uint16_t v = *static_cast<const uint8_t*>(at);
      w.Record(f.Type, v);
      break;
    }
    default:
      w.Header(f.Type, static_cast<uint32_t>(KindSize(f.Kind)), true);
      w.Payload(at, KindSize(f.Kind));
  }
}

ssize_t WholeWrite(int fd, const void* bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, static_cast<const char*>(bytes) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

std::atomic<TCaptureWriteFn> writeFn{WholeWrite};

// Reads exactly size bytes, or fewer at the end of the file.
size_t ReadSome(int fd, void* bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = read(fd, static_cast<char*>(bytes) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool ReadHeader(int fd, uint32_t& type, uint32_t& length) {
  uint32_t h[2];
  if (ReadSome(fd, h, sizeof h) != sizeof h) return false;
  type = h[0];
  length = h[1];
  return true;
}

// Reads a payload of length bytes into a field: as much as the field holds,
// the rest skipped. Texts end at their first zero character.
void ReadField(int fd, TKind kind, void* at, uint32_t length) {
  if (kind == TKind::Text255 || kind == TKind::Text81) {
    const size_t take = std::min<size_t>(length, KindSize(kind));
    std::u16string chars(take / 2, u'\0');
    const size_t got = ReadSome(fd, chars.data(), chars.size() * 2);
    if (length > got) lseek(fd, length - got, SEEK_CUR);
    chars.resize(got / 2);
    const size_t end = chars.find(u'\0');
    if (end != std::u16string::npos) chars.resize(end);
    if (chars.size() > KindSize(kind) / 2) chars.resize(KindSize(kind) / 2);
    *static_cast<std::u16string*>(at) = std::move(chars);
    return;
  }
  uint8_t value[8] = {};
  const size_t size = KindSize(kind);
  const size_t take = std::min<size_t>(length, size);
  ReadSome(fd, value, take);
  if (length > take) lseek(fd, length - take, SEEK_CUR);
  if (kind == TKind::Language16)
    *static_cast<uint8_t*>(at) = value[0];
  else
    std::memcpy(at, value, size);
}

template <class Record, size_t N>
const TField<Record>* FindField(const std::array<TField<Record>, N>& table, size_t count,
                                uint32_t type) {
  for (size_t i = 0; i < count; ++i)
    if (table[i].Type == type) return &table[i];
  return nullptr;
}

int64_t FileSize(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// Skips the spool data. Its length field holds only the low 32 bits of the
// size, so data of 4 GiB and more is skipped by whole multiples of 4 GiB
// until the end marker follows.
void SkipSpoolData(int fd, uint32_t length) {
  const int64_t start = lseek(fd, 0, SEEK_CUR);
  const int64_t size = FileSize(fd);
  for (int64_t skip = length; start + skip + 8 <= size; skip += int64_t{1} << 32) {
    uint32_t h[2];
    if (pread(fd, h, sizeof h, start + skip) == static_cast<ssize_t>(sizeof h) &&
        h[0] == crSpoolEnd && h[1] == 8) {
      lseek(fd, start + skip, SEEK_SET);
      return;
    }
  }
  lseek(fd, start + length, SEEK_SET);
}

// Reads the page section up to the first record that is not a page record;
// returns whether a header is pending in type and length.
bool ReadPages(int fd, TArraySplStream& pages, uint32_t& type, uint32_t& length) {
  std::shared_ptr<const std::vector<uint8_t>> lastDevMode;
  int64_t lastOffset = -1;
  const int64_t fileSize = FileSize(fd);
  int64_t budget = fileSize;
  while (ReadHeader(fd, type, length)) {
    if (type == crPageStart) {
      pages.emplace_back();
      continue;
    }
    if (type == crPageEnd) continue;
    if (type == crDevModePointer || type == crRenderedFile) {
      lseek(fd, length, SEEK_CUR);
      continue;
    }
    const auto* field = FindField(kPageFields, kPageFields.size(), type);
    if (!field) return true;
    if (pages.empty()) pages.emplace_back();  // a field before any page start
    TSplPageRecord& page = pages.back();
    ReadField(fd, field->Kind, field->At(page), length);
    if (type != crDevModeSize) continue;
    if (page.DevModeOffset == lastOffset && lastDevMode) {
      page.DevMode = lastDevMode;
      continue;
    }
    // Device modes lie inside the file, and all of them together are never
    // read to more than the file holds.
    if (page.DevModeSize <= 0 || page.DevModeOffset < 0 ||
        page.DevModeSize > fileSize - page.DevModeOffset || page.DevModeSize > budget)
      continue;
    budget -= page.DevModeSize;
    auto buffer = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(page.DevModeSize), 0);
    if (pread(fd, buffer->data(), buffer->size(), page.DevModeOffset) < 0)
      buffer->assign(buffer->size(), 0);
    page.DevMode = lastDevMode = std::move(buffer);
    lastOffset = page.DevModeOffset;
  }
  return false;
}

}  // namespace

void SetCaptureWriteFn(TCaptureWriteFn fn) {
  writeFn.store(fn ? fn : WholeWrite);
}

ssize_t CaptureWrite(int fd, const void* bytes, size_t size) {
  return writeFn.load()(fd, bytes, size);
}

bool TCaptureWriter::Magic() {
  return CaptureWrite(fd_, kCaptureMagic, sizeof kCaptureMagic) == sizeof kCaptureMagic;
}

void TCaptureWriter::Header(uint32_t type, uint32_t length, bool payload) {
  const uint32_t h[2] = {type, length};
  announced_ += sizeof h + (payload ? length : 0);
  const ssize_t n = CaptureWrite(fd_, h, sizeof h);
  if (n > 0) written_ += static_cast<uint64_t>(n);
}

void TCaptureWriter::Payload(const void* bytes, size_t size) {
  if (size == 0) return;
  const ssize_t n = CaptureWrite(fd_, bytes, size);
  if (n > 0) written_ += static_cast<uint64_t>(n);
}

void TCaptureWriter::TextRecord(uint32_t type, std::u16string_view text, size_t maxChars) {
  std::u16string chars(maxChars, u'\0');
  std::copy_n(text.data(), std::min(text.size(), maxChars), chars.data());
  Header(type, static_cast<uint32_t>(2 * maxChars), true);
  Payload(chars.data(), 2 * maxChars);
}

void TCaptureWriter::JobInfo(const TJobInfoBlock& block) {
  Header(crJobInfo, static_cast<uint32_t>(block.Size()), true);
  Payload(block.Bytes(), block.Size());
}

void TCaptureWriter::Page(const TSplPageRecord& page) {
  TSplPageRecord& p = const_cast<TSplPageRecord&>(page);  // the table reads only
  Header(crPageStart, 8, false);
  for (size_t i = 0; i < kWrittenPageFields; ++i) WriteField(*this, kPageFields[i], p);
  Header(crPageEnd, 8, false);
}

void TCaptureWriter::Attributes(const TSPLInfo& info) {
  TSPLInfo& i = const_cast<TSPLInfo&>(info);  // the table reads only
  for (size_t f = 0; f < kWrittenAttributeFields; ++f) WriteField(*this, kAttributeFields[f], i);
}

int64_t TCaptureWriter::Position() const {
  return lseek(fd_, 0, SEEK_CUR);
}

int ReadCaptureFile(const std::string& name, TSPLInfo& info, TJobInfoBlock& jobInfo,
                    TArraySplStream& pages) {
  const int fd = open(name.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return -1;
  unlink(name.c_str());  // gone once the handle is closed
  try {
    ClearSplInfo(info);
    char magic[4];
    if (ReadSome(fd, magic, 4) != 4 || std::memcmp(magic, kCaptureMagic, 4) != 0) return fd;
    const int64_t fileSize = FileSize(fd);
    uint32_t type, length;
    bool pending = ReadHeader(fd, type, length);
    while (pending) {
      switch (type) {
        case crJobInfo: {
          if (length > fileSize) return fd;
          TJobInfoBlock block(length);
          std::memset(block.Bytes(), 0, length);
          ReadSome(fd, block.Bytes(), length);
          block.OffsetsToPointers();
          jobInfo = std::move(block);
          break;
        }
        case crDevMode:
          lseek(fd, length, SEEK_CUR);
          break;
        case crSpoolData:
          SkipSpoolData(fd, length);
          break;
        case crSpoolEnd:
          break;
        case crPages:
          pending = ReadPages(fd, pages, type, length);
          continue;
        default: {
          const auto* field = FindField(kAttributeFields, kWrittenAttributeFields, type);
          if (!field) return fd;  // the end record, or one not ours
          ReadField(fd, field->Kind, field->At(info), length);
        }
      }
      pending = ReadHeader(fd, type, length);
    }
  } catch (...) {
    close(fd);
    ClearSplInfo(info);
    return -1;
  }
  return fd;
}

void CloseCaptureFile(int handle, TJobInfoBlock& jobInfo, TArraySplStream& pages) {
  if (handle >= 0) close(handle);
  pages.clear();  // shared device-mode buffers go with their last page
  jobInfo.Clear();
}

}  // namespace ostrovel
