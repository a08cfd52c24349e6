// The header scan: line splitting, the keyword sets and the final steps.
#include "uSPLProc.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "uSPL.h"
#include "uSPLText.h"
#include "uText.h"

namespace ostrovel {

using namespace spltext;

namespace {

constexpr int64_t kLineLimit = 254;  // a line without terminator ends after this many bytes

bool IsTerminator(uint8_t b) {
  return b == '\n' || b == '\r';
}

// Decipoints to millimetres, rounded half to even.
int32_t DecipointsToMm(int32_t decipoints) {
  return static_cast<int32_t>(std::nearbyint(decipoints / 28.3464567));
}

// Keywords whose presence makes a line worth testing, per language. Every
// keyword of a set contains one of these, so lines without them are skipped.
// Each is found by memchr on its anchor, a byte chosen to be rare in text.
struct TTrigger {
  std::string_view needle;
  size_t anchor;  // index of the byte searched for
};
constexpr TTrigger kPostScriptTriggers[] = {
    {"%%", 0}, {"@PJL", 0}, {"NumCopies ", 3}, {"#copies ", 0}};
constexpr TTrigger kPclTriggers[] = {{"@PJL", 0}, {"@EJL", 0}, {"-12345X@", 7}, {"PG;RP", 2}};
constexpr TTrigger kEscTriggers[] = {{"@EJL", 0}};

// One scan's working state. Texts are kept as bytes and become wide text at
// the end, decoded from UTF-8 when the data asked for it.
class THeaderScan {
 public:
  explicit THeaderScan(TSPLInfo& info) : info_(info) {}

  std::span<const TTrigger> Triggers() const;
  void TestLine(int64_t lineStart, std::string_view line);
  void Finish();

 private:
  void TestPostScript(std::string_view line);
  void TestPclHpgl(int64_t lineStart, std::string_view line);
  void TestEjl(std::string_view line);
  void SetCopies(int32_t n) { info_.Copies = n, info_.Flags |= siCopies; }

  TSPLInfo& info_;
  std::string title_, userName_, paperName_, languageName_, jobOffsets_;
  bool firstTitle_ = true;
  bool utf8_ = false;
  bool ejlJob_ = false;
  int32_t pjlPaperWidth_ = 0, pjlPaperLength_ = 0;
  int32_t jobStarts_ = 0;
};

std::span<const TTrigger> THeaderScan::Triggers() const {
  switch (info_.Language) {
    case slPostScript:
      return kPostScriptTriggers;
    case slHpgl:
    case slPcl:
      return kPclTriggers;
    case slEsc:
      return kEscTriggers;
    default:
      return {};
  }
}

void THeaderScan::TestLine(int64_t lineStart, std::string_view line) {
  switch (info_.Language) {
    case slPostScript:
      TestPostScript(line);
      break;
    case slHpgl:
    case slPcl:
      TestPclHpgl(lineStart, line);
      break;
    case slEsc:
      TestEjl(line);
      break;
    default:
      break;
  }
}

void THeaderScan::TestPostScript(std::string_view line) {
  std::string_view v;
  if (Find(line, "@PJL SET QTY", v)) {
    if (const int32_t n = Number(Clean(v)); n > 0) SetCopies(n);
  }
  for (std::string_view key : {std::string_view("NumCopies "), std::string_view("#copies ")}) {
    if (!Find(line, key, v)) continue;
    std::string_view candidate = Trim(FirstToken(v));
    if (FirstToken(v).empty()) candidate = Trim(v);
    if (const int32_t n = Number(candidate); n > 0 && info_.Copies <= 1) SetCopies(n);
  }

  if (!line.starts_with("%%") || line.find("End") != std::string_view::npos ||
      line.find("atend") != std::string_view::npos)
    return;
  if (firstTitle_ && Find(line, "%%Title: ", v)) {
    title_ = Clean(v);
    info_.Flags |= siTitle;
    firstTitle_ = false;
  }
  if (Find(line, "%%For: ", v)) {
    userName_ = v;
    info_.Flags |= siUserName;
  }
  if (Find(line, "%%BoundingBox: ", v)) {
    int32_t* const boxes[] = {&info_.PageBox1, &info_.PageBox2, &info_.PageBox3, &info_.PageBox4};
    for (int32_t* box : boxes) {
      const std::string_view token = FirstToken(v);
      if (const int32_t n = Number(token); n > 0) *box = n, info_.Flags |= siPageBox;
      if (token.size() == v.size()) break;
      v.remove_prefix(token.size() + 1);
    }
  }
  if (Find(line, "%%LanguageLevel: ", v)) {
    languageName_ = Clean(v);
    info_.Flags |= siLanguageName;
  }
  if (Find(line, "Resolution ", v)) {
    if (const int32_t n = Number(Trim(UpTo(v, "dpi"))); n > 0)
      info_.Resolution = n, info_.Flags |= siResolution;
  }
  for (std::string_view key : {std::string_view("PageSize "), std::string_view("PageRegion ")}) {
    if (paperName_.empty() && Find(line, key, v)) {
      paperName_ = v;
      info_.Flags |= siPaperName;
    }
  }
  if (Find(line, "Duplex ", v)) {
    // "*Duplex None" is how one-sided jobs say so: None, False and Simplex
    // mean simplex; DuplexNoTumble, DuplexTumble, True and the rest duplex.
    const std::string_view mode = Trim(FirstToken(v));
    const bool simplex =
        EqualsNoCase(mode, "None") || EqualsNoCase(mode, "False") || EqualsNoCase(mode, "Simplex");
    info_.Duplex = simplex ? 0 : 1;
    info_.Flags |= siDuplex;
  }
  if (Find(line, "Pages: ", v)) {
    if (const int32_t n = Number(Trim(v)); n > 0) info_.Pages = n, info_.Flags |= siPages;
  }
  if (Find(line, "%%Orientation: ", v)) {
    info_.Flags |= siOrientation;
    info_.Orientation = EqualsNoCase(Trim(v), "PORTRAIT") ? 1 : 2;
  }
}

void THeaderScan::TestPclHpgl(int64_t lineStart, std::string_view line) {
  std::string_view v;
  if (Find(line, "-12345X@", v)) {
    std::string_view eoj;
    if (!Find(line, "EOJ", eoj)) ++jobStarts_;
    // The offset of the escape before the universal exit sequence.
    jobOffsets_ += std::to_string(lineStart + static_cast<int64_t>(line.find("-12345X@")) - 1);
    jobOffsets_ += ' ';
  }
  if (Find(line, "@PJL ENTER LANGUAGE", v)) {
    languageName_ = Clean(v);
    info_.Flags |= siLanguageName;
  }
  for (std::string_view key :
       {std::string_view("@PJL JOB NAME"), std::string_view("@PJL SET JOBNAME")}) {
    if (Find(line, key, v)) title_ = Clean(v), info_.Flags |= siTitle;
  }
  if (Find(line, "@PJL SET STRINGCODESET", v)) utf8_ = v.find("UTF8") != std::string_view::npos;
  if (Find(line, "@PJL SET PAPERWIDTH", v)) {
    if (const int32_t n = Number(Clean(v)); n > 0) pjlPaperWidth_ = DecipointsToMm(n);
  }
  if (Find(line, "@PJL SET PAPERLENGTH", v)) {
    if (const int32_t n = Number(Clean(v)); n > 0) pjlPaperLength_ = DecipointsToMm(n);
  }
  if (Find(line, "@PJL COMMENT \"Username:", v)) {
    userName_ = UpTo(Clean(v), ";");
    info_.Flags |= siUserName;
  }
  if (Find(line, "@PJL SET RESOLUTION", v)) {
    if (const int32_t n = Number(Clean(v)); n > 0)
      info_.Resolution = n, info_.Flags |= siResolution;
  }
  if (Find(line, "@PJL SET ORIENTATION", v)) {
    info_.Flags |= siOrientation;
    info_.Orientation = EqualsNoCase(Clean(v), "PORTRAIT") ? 1 : 2;
  }
  static constexpr struct {
    std::string_view key;
    int32_t TSPLInfo::*box;
  } kMargins[] = {
      {"@PJL SET TOPMARGIN", &TSPLInfo::PageBox2},
      {"@PJL SET LEFTMARGIN", &TSPLInfo::PageBox1},
      {"@PJL SET RIGHTMARGIN", &TSPLInfo::PageBox3},
      {"@PJL SET BOTTOMMARGIN", &TSPLInfo::PageBox4},
  };
  for (const auto& m : kMargins) {
    if (!Find(line, m.key, v)) continue;
    if (const int32_t n = Number(Clean(v)); n > 0)
      info_.*m.box = DecipointsToMm(n), info_.Flags |= siPageBox;
  }
  // HP-GL/2 replot: RPn prints n more copies. The tests after this one see
  // the line from "PG;RP" on, without its last byte.
  if (const size_t at = line.find("PG;RP"); at != std::string_view::npos) {
    line = line.substr(at, line.size() - at - 1);
    if (Find(line, "PG;RP", v)) {
      const std::string count(UpTo(Clean(v), ";"));
      if (const int32_t n = Number(Clean(count)); n > 0) SetCopies(n + 1);
    }
  }
  if (Find(line, "@PJL SET QTY", v)) {
    if (const int32_t n = Number(Clean(v)); n > 0) SetCopies(n);
  }
  TestEjl(line);
}

void THeaderScan::TestEjl(std::string_view line) {
  std::string_view v, quoted;
  for (std::string_view key : {std::string_view("@EJL SE LA"), std::string_view("@EJL EN LA")}) {
    if (Find(line, key, v)) languageName_ = Clean(v), info_.Flags |= siLanguageName;
  }
  if (line.find("@EJL JI") != std::string_view::npos) {
    ejlJob_ = true;
    if (Find(line, "USER", v) && Find(v, "\"", quoted)) {
      userName_ = UpTo(quoted, "\"");
      info_.Flags |= siUserName;
    }
    if (Find(line, "DOCUMENT", v) && Find(v, "\"", quoted)) {
      title_ = Clean(UpTo(quoted, "\""));
      info_.Flags |= siTitle;
    }
    if (Find(line, "PAGES", v)) {
      info_.Pages = Number(Clean(v));
      info_.Flags |= siPages;
      if (info_.Pages == 0) info_.Pages = 1;
    }
  }
  if (line.find("@EJL SET") != std::string_view::npos) {
    if (Find(line, "QT", v)) {
      SetCopies(Number(Clean(v)));
      if (info_.Pages == 0) info_.Pages = 1;
    }
    if (Find(line, "PS", v)) {
      paperName_ = FirstToken(Clean(v));
      info_.Flags |= siPaperName;
    }
    if (Find(line, "RS", v)) {
      info_.Resolution = Number(Clean(v));
      if (info_.Resolution != 0) info_.Flags |= siResolution;
    }
    if (Find(line, "DX", v)) {
      info_.Duplex = FirstToken(Clean(v)) == "ON" ? 1 : 0;
      if (info_.Duplex == 1) info_.Flags |= siDuplex;
    }
  }
}

void THeaderScan::Finish() {
  if (paperName_.empty() && pjlPaperWidth_ + pjlPaperLength_ != 0) {
    paperName_ = std::to_string(pjlPaperWidth_) + " x " + std::to_string(pjlPaperLength_) + " mm";
    info_.Flags |= siPaperName | siPaperSizeMm;
    info_.PaperWidthMm = pjlPaperWidth_;
    info_.PaperLengthMm = pjlPaperLength_;
  }
  if (info_.Pages == 0 && jobStarts_ != 0) info_.Pages = jobStarts_, info_.Flags |= siPages;
  auto wide = [this](const std::string& bytes) {
    return utf8_ ? Utf8ToWide(bytes) : AnsiToWide(bytes);
  };
  info_.Title = wide(title_);
  info_.UserName = wide(userName_);
  info_.PaperName = wide(paperName_);
  if (info_.Language == slPostScript) {
    info_.Flags |= siLanguageName;
    languageName_ = "POSTSCRIPT " + languageName_;
  }
  info_.LanguageName = AnsiToWide(languageName_);
  info_.JobOffsets = AnsiToWide(jobOffsets_);
  if (ejlJob_) {
    info_.Flags |= siCopies | siPages;
    if (info_.Copies > 1)
      info_.Pages /= info_.Copies;
    else
      info_.Copies = 1;
  }
}

// Runs a scan's driver; on failure the record keeps the findings so far.
template <typename Driver>
bool RunScan(const uint8_t* buffer, int64_t length, TSPLInfo& info, Driver&& drive) {
  ClearSplInfo(info);
  info.Language = SniffPdlLanguage(buffer, length);
  info.Flags |= siHeadersScanned;
  THeaderScan scan(info);
  try {
    drive(scan);
  } catch (...) {
    try {
      scan.Finish();
    } catch (...) {
    }
    return false;
  }
  scan.Finish();
  return true;
}

std::string_view LineAt(const uint8_t* buffer, int64_t start, int64_t end) {
  return std::string_view(reinterpret_cast<const char*>(buffer) + start,
                          static_cast<size_t>(end - start));
}

}  // namespace

bool ScanSpoolHeaders(const uint8_t* buffer, int64_t length, TSPLInfo& info) {
  return RunScan(buffer, length, info, [buffer, length](THeaderScan& scan) {
    const auto triggers = scan.Triggers();
    if (triggers.empty() || length <= 0) return;

    // One search per distinct anchor byte, each at its next occurrence.
    struct TAnchor {
      uint8_t byte;
      int64_t next;
    };
    std::array<TAnchor, 4> anchors{};
    size_t anchorCount = 0;
    auto search = [buffer, length](uint8_t byte, int64_t from) -> int64_t {
      if (from >= length) return length;
      const void* hit = std::memchr(buffer + from, byte, static_cast<size_t>(length - from));
      return hit ? static_cast<const uint8_t*>(hit) - buffer : length;
    };
    for (const TTrigger& t : triggers) {
      const auto byte = static_cast<uint8_t>(t.needle[t.anchor]);
      bool known = false;
      for (size_t a = 0; a < anchorCount; ++a) known |= anchors[a].byte == byte;
      if (!known) anchors[anchorCount++] = {byte, search(byte, 0)};
    }

    int64_t lineFrom = 0;  // a line starts here
    for (;;) {
      TAnchor* anchor = &anchors[0];
      for (size_t a = 1; a < anchorCount; ++a)
        if (anchors[a].next < anchor->next) anchor = &anchors[a];
      const int64_t hit = anchor->next;
      if (hit >= length) return;

      // Where a trigger around the hit starts, if one does in an untested line.
      int64_t keyStart = -1;
      for (const TTrigger& t : triggers) {
        const int64_t at = hit - static_cast<int64_t>(t.anchor);
        if (static_cast<uint8_t>(t.needle[t.anchor]) == anchor->byte && at >= lineFrom &&
            at + static_cast<int64_t>(t.needle.size()) <= length &&
            std::memcmp(buffer + at, t.needle.data(), t.needle.size()) == 0) {
          keyStart = at;
          break;
        }
      }
      if (keyStart < 0) {
        anchor->next = search(anchor->byte, hit + 1);
        continue;
      }

      // The line holding the key: after the last terminator before it, in
      // steps of the line limit.
      int64_t start = lineFrom;
      if (keyStart > lineFrom) {
        const size_t span = static_cast<size_t>(keyStart - lineFrom);
        const auto* lf = static_cast<const uint8_t*>(memrchr(buffer + lineFrom, '\n', span));
        const auto* cr = static_cast<const uint8_t*>(memrchr(buffer + lineFrom, '\r', span));
        const int64_t last = std::max(lf ? lf - buffer : -1, cr ? cr - buffer : -1);
        if (last >= 0) start = last + 1;
      }
      start += (keyStart - start) / kLineLimit * kLineLimit;
      const int64_t limit = std::min(start + kLineLimit, length);
      int64_t end = limit;  // one past the line's last byte
      for (int64_t i = start; i < limit; ++i)
        if (IsTerminator(buffer[i])) {
          end = i + 1;
          break;
        }
      if (end == length && !IsTerminator(buffer[end - 1]) && end - start < kLineLimit) return;
      scan.TestLine(start, LineAt(buffer, start, end));
      lineFrom = end;
      for (size_t a = 0; a < anchorCount; ++a)
        if (anchors[a].next < lineFrom) anchors[a].next = search(anchors[a].byte, lineFrom);
    }
  });
}

namespace detail {

bool ScanSpoolHeadersEveryLine(const uint8_t* buffer, int64_t length, TSPLInfo& info) {
  return RunScan(buffer, length, info, [buffer, length](THeaderScan& scan) {
    int64_t start = 0;
    for (int64_t i = 0; i < length; ++i) {
      if (!IsTerminator(buffer[i]) && i + 1 - start < kLineLimit) continue;
      scan.TestLine(start, LineAt(buffer, start, i + 1));
      start = i + 1;
    }
  });
}

}  // namespace detail

bool ScanSpoolFile(int fd, TSPLInfo& info) {
  if (fd < 0) return false;
  lseek(fd, 0, SEEK_SET);
  const off_t size = lseek(fd, 0, SEEK_END);
  if (size <= 0) return false;
  void* view = mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (view == MAP_FAILED) return false;
  const bool ok = ScanSpoolHeaders(static_cast<const uint8_t*>(view), size, info);
  munmap(view, static_cast<size_t>(size));
  return ok;
}

}  // namespace ostrovel
