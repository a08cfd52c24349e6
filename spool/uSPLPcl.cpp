// The PCL state: escape sequences with their parameter groups, data blocks
// skipped by their lengths, form feeds counted in plain data.
#include <cstring>

#include "uSPL.h"

namespace ostrovel {

namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kFormFeed = 0x0C;

bool IsGroupChar(uint8_t b) {
  return (b >= '0' && b <= '9') || b == '+' || b == '-' || b == '.';
}
bool IsLower(uint8_t b) {
  return b >= 'a' && b <= 'z';
}
bool IsIn(uint8_t b, std::string_view set) {
  return set.find(static_cast<char>(b)) != std::string_view::npos;
}

// A group without characters reads as 0, as printers read it.
int32_t GroupValue(std::string_view chars) {
  return chars.empty() ? 0 : SplStrToInt(chars);
}

}  // namespace

bool TSpl::PclStep(int& next) {
  uint8_t b;
  if (!ReadByte(b)) return false;
  if (b != kEsc) {
    stream_->Seek(-1, TCustomMappedStream::soCurrent);
    return WalkPclText();
  }

  uint8_t c, d;
  if (!ReadByte(c)) return false;
  switch (c) {
    case '%':
      if (!ReadByte(d)) return false;
      if (d == '-') {  // universal exit: the rest of "-12345X", then PJL
        Skip(6);
        next = stPjl;
        return false;
      }
      if (d == '1') {
        std::string_view chars;
        uint8_t terminator;
        if (!ReadPclGroup(chars, terminator)) return false;
        if (chars.empty() && terminator == 'B') {  // HP-GL/2 up to the next escape
          const auto bytes = stream_->Bytes();
          const int64_t pos = stream_->Position();
          const void* esc = pos < static_cast<int64_t>(bytes.size())
                                ? std::memchr(bytes.data() + pos, kEsc, bytes.size() - pos)
                                : nullptr;
          stream_->Seek(esc ? static_cast<const uint8_t*>(esc) - bytes.data()
                            : static_cast<int64_t>(bytes.size()),
                        TCustomMappedStream::soBeginning);
        }
        return true;
      }
      return PclGroups({}, false);
    case '&':
      if (!ReadByte(d)) return false;
      if (IsIn(d, "abcin")) return PclGroups("Ww", false);
      if (d == 'l') return PclGroups("Ww", true);
      if (d == 'p') return PclGroups("WXwx", false);
      return PclGroups({}, false);
    case '(':
    case ')':
      if (!ReadByte(d)) return false;
      if (d >= '0' && d <= '9') {
        stream_->Seek(-1, TCustomMappedStream::soCurrent);
        return PclGroups({}, false);
      }
      if (d == 'f' || d == 's') return PclGroups("Ww", false);
      return PclGroups({}, false);
    case '*':
      if (!ReadByte(d)) return false;
      if (d == 'b') return PclGroups("VWvw", false);
      if (IsIn(d, "cgilmotv")) return PclGroups("Ww", false);
      return PclGroups({}, false);
    default:
      return true;
  }
}

// Plain data up to the next escape: form feeds count pages, and in a job that
// began as PRESCRIBE an embedded "!R!" runs the PRESCRIBE state.
bool TSpl::WalkPclText() {
  const auto bytes = stream_->Bytes();
  const uint8_t* const data = bytes.data();
  const int64_t size = static_cast<int64_t>(bytes.size());
  int64_t pos = stream_->Position();

  if (OriginType != sdtPrescribe) {
    const void* found = std::memchr(data + pos, kEsc, size - pos);
    const int64_t end = found ? static_cast<const uint8_t*>(found) - data : size;
    for (const uint8_t* ff = data + pos;
         (ff = static_cast<const uint8_t*>(std::memchr(ff, kFormFeed, data + end - ff))) != nullptr;
         ++ff)
      ++Pages;
    stream_->Seek(end, TCustomMappedStream::soBeginning);
    return found != nullptr;
  }

  while (pos < size) {
    const uint8_t b = data[pos];
    if (b == kEsc) {
      stream_->Seek(pos, TCustomMappedStream::soBeginning);
      return true;
    }
    ++pos;
    if (b == kFormFeed) {
      ++Pages;
    } else if (b == '!' && pos + 1 < size && data[pos] == 'R' && data[pos + 1] == '!') {
      pos += 2;
      if (pos < size && data[pos] == ' ') ++pos;
      stream_->Seek(pos, TCustomMappedStream::soBeginning);
      int ignored = stStop;
      while (PrescribeStep(ignored)) {
      }
      pos = stream_->Position();
    }
  }
  stream_->Seek(size, TCustomMappedStream::soBeginning);
  return false;
}

// Reads one group: a run of digits, signs and points and its terminator.
// A terminating escape is put back. False at the end of the data.
bool TSpl::ReadPclGroup(std::string_view& chars, uint8_t& terminator) {
  const auto bytes = stream_->Bytes();
  int64_t pos = stream_->Position();
  const int64_t size = static_cast<int64_t>(bytes.size());
  if (pos < 0 || pos >= size) return false;
  const int64_t start = pos;
  while (pos < size && IsGroupChar(bytes[pos])) ++pos;
  if (pos >= size) {
    stream_->Seek(size, TCustomMappedStream::soBeginning);
    return false;
  }
  chars = std::string_view(reinterpret_cast<const char*>(bytes.data()) + start, pos - start);
  terminator = bytes[pos];
  stream_->Seek(terminator == kEsc ? pos : pos + 1, TCustomMappedStream::soBeginning);
  return true;
}

// Reads the groups of one sequence. A group ending in one of dataTerms is
// followed by that many data bytes, which are skipped; with copiesTerm a group
// ending in X or x raises the copies.
bool TSpl::PclGroups(std::string_view dataTerms, bool copiesTerm) {
  for (;;) {
    std::string_view chars;
    uint8_t terminator;
    if (!ReadPclGroup(chars, terminator)) return false;
    if (terminator == kEsc) return true;
    if (IsIn(terminator, dataTerms)) {
      if (!Skip(GroupValue(chars))) return false;
    } else if (copiesTerm && (terminator == 'X' || terminator == 'x')) {
      const int32_t copies = GroupValue(chars);
      if (copies > DevMode.dmCopies) DevMode.dmCopies = static_cast<int16_t>(copies);
      DevMode.dmFields |= dmfCopies;
    }
    if (!IsLower(terminator)) return true;
  }
}

}  // namespace ostrovel
