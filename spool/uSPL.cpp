// TSpl: construction, the state machine, the signature test and the PJL state.
#include "uSPL.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "uBytes.h"
#include "uSPLText.h"

namespace ostrovel {

using spltext::EqualsNoCase;

namespace {

constexpr uint8_t kEsc = 0x1B;

// The packet an ESC/P2 driver sends first to leave the printer's packet mode.
constexpr uint8_t kExitPacket[27] = {0x00, 0x00, 0x00, 0x1B, 0x01, '@', 'E', 'J',  'L',
                                     ' ',  '1',  '2',  '8',  '4',  '.', '4', 0x0A, '@',
                                     'E',  'J',  'L',  ' ',  ' ',  ' ', ' ', ' ',  0x0A};

}  // namespace

int32_t SplStrToInt(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int32_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
      (text.front() == '+' && digits.front() == '-'))
    throw ESplConvertError("'" + std::string(text) + "' is not a valid integer value");
  return value;
}

TSpl::TSpl(std::unique_ptr<TCustomMappedStream> stream) : stream_(std::move(stream)) {
  stream_->Seek(0, TCustomMappedStream::soBeginning);
  Sniff();
}

TSpl::TSpl(int fd) : TSpl(std::make_unique<TFileStreamEx>(fd)) {}

bool TSpl::Parse() {
  int state = stStop;
  switch (Type) {
    case sdtPcl:
      state = stPcl;
      break;
    case sdtZimf:
      state = stZimf;
      break;
    case sdtZjs:
      state = stZjs;
      break;
    case sdtPrescribe:
      state = stPrescribe;
      break;
    case sdtCapt:
      state = stCapt;
      break;
    case sdtEscP2:
      state = stEscP2;
      break;
    default:
      break;
  }
  const bool hadParser = state != stStop;
  while (state != stStop) state = RunState(state);
  AdjustCopies();
  return hadParser;
}

int TSpl::RunState(int state) {
  int next = stStop;
  switch (state) {
    case stSniff:
      return Sniff();
    case stPjl:
      return PjlState();
    case stPcl:
      while (PclStep(next)) {
      }
      break;
    case stPrescribe:
      while (PrescribeStep(next)) {
      }
      break;
    case stZimf:
      while (ZimfStep(next)) {
      }
      break;
    case stZjs:
      while (ZjsStep(next)) {
      }
      break;
    case stCapt:
      captSetups_ = 0;
      while (CaptStep(next)) {
      }
      Pages = std::max(Pages, captSetups_);
      break;
    case stEscP2:
      remote_ = false;
      while (EscP2Step(next)) {
      }
      break;
    default:
      break;
  }
  return next;
}

void TSpl::AdjustCopies() {
  if (PjlQuantity > 0 || DevMode.dmCopies > 0) {
    const uint32_t quantity = std::max<uint32_t>(PjlQuantity, 1);
    const uint32_t copies = static_cast<uint32_t>(std::max<int32_t>(DevMode.dmCopies, 1));
    DevMode.dmCopies = static_cast<int16_t>(quantity * copies);
  }
  if (Pages > 0 && DevMode.dmCopies == 0) DevMode.dmCopies = 1;
  if (DevMode.dmCopies > 0) DevMode.dmFields |= dmfCopies;
}

int TSpl::Sniff() {
  uint8_t head[27];
  if (stream_->Peek(head, sizeof head) == sizeof head &&
      std::memcmp(head, kExitPacket, sizeof head) == 0) {
    Skip(sizeof head);
    Type = sdtEscP2;
    return stEscP2;
  }

  const auto bytes = stream_->Bytes();
  int64_t pos = stream_->Position();
  while (pos >= 0 && pos < static_cast<int64_t>(bytes.size()) && bytes[pos] == 0) ++pos;
  stream_->Seek(pos, TCustomMappedStream::soBeginning);

  uint8_t sig[8];
  if (stream_->Peek(sig, sizeof sig) < static_cast<int64_t>(sizeof sig)) return stStop;
  if (sig[0] == kEsc) {
    Type = sdtPcl;
    return stPcl;
  }
  if (std::memcmp(sig, "!R!", 3) == 0) {
    Skip(sig[3] == ' ' ? 4 : 3);
    Type = OriginType = sdtPrescribe;
    return stPrescribe;
  }
  if (std::memcmp(sig, "ZIMF", 4) == 0) {
    Skip(4);
    Type = sdtZimf;
    return stZimf;
  }
  if (std::memcmp(sig, "JZJZ", 4) == 0 || std::memcmp(sig, "ZJZJ", 4) == 0) {
    BigEndian = sig[0] == 'J' ? 1 : BigEndian;
    Skip(4);
    Type = sdtZjs;
    return stZjs;
  }
  if (sig[4] == 0xCE && sig[5] == 0xDA && sig[6] == 0xDE && sig[7] == 0xFA) {
    Type = sdtCapt;
    return stCapt;
  }
  return stStop;
}

int TSpl::PjlState() {
  // Reads one field of a PJL line up to a stop byte; returns the stop byte
  // (0 at the end of the data) and drops the bytes in `dropped`.
  auto field = [this](std::string& out, std::string_view stops, std::string_view dropped) -> int {
    out.clear();
    uint8_t b;
    while (ReadByte(b)) {
      if (stops.find(static_cast<char>(b)) != std::string_view::npos) return b;
      if (dropped.find(static_cast<char>(b)) == std::string_view::npos) out += static_cast<char>(b);
    }
    return 0;
  };

  int next = stStop;
  std::string command, key, value;
  for (;;) {
    const int64_t lineStart = stream_->Position();
    char intro[5];
    if (stream_->Read(intro, 5) != 5 || std::memcmp(intro, "@PJL ", 5) != 0) {
      stream_->Seek(lineStart, TCustomMappedStream::soBeginning);
      uint8_t b;
      if (stream_->Peek(&b, 1) == 1 && b == kEsc) next = stPcl;
      return next;
    }

    const int commandStop = field(command, std::string_view(" \n", 2), "\r=");
    if (commandStop == '\n') {
      if (EqualsNoCase(command, "EOJ")) next = stSniff;
      continue;
    }
    if (commandStop == 0) return next;

    const int keyStop = field(key, "=\n", " \r=");
    int lineStop = keyStop;
    value.clear();
    if (keyStop != '\n') lineStop = field(value, "\n", " \r\"");

    if (EqualsNoCase(command, "SET") && EqualsNoCase(key, "COPIES")) {
      const int32_t copies = SplStrToInt(value);
      DevMode.dmCopies = static_cast<int16_t>(std::max<int32_t>(DevMode.dmCopies, copies));
      DevMode.dmFields |= dmfCopies;
    } else if (EqualsNoCase(command, "SET") && EqualsNoCase(key, "QTY")) {
      PjlQuantity = static_cast<uint32_t>(SplStrToInt(value));
    } else if (EqualsNoCase(command, "ENTER") && EqualsNoCase(key, "LANGUAGE") &&
               !EqualsNoCase(value, "AUTO")) {
      static constexpr struct {
        std::string_view language;
        uint8_t type;
        int state;
      } kLanguages[] = {
          {"PCL", sdtPcl, stPcl},     {"PCL3GUI", sdtPcl3Gui, stPcl}, {"RTL", sdtRtl, stPcl},
          {"HPGL2", sdtHpgl2, stPcl}, {"PCLXL", sdtPclXl, -1},        {"ESCP", sdtEscP2, stEscP2},
      };
      for (const auto& l : kLanguages) {
        if (!EqualsNoCase(value, l.language)) continue;
        Type = l.type;
        if (l.state >= 0) next = l.state;
        break;
      }
    }
    if (lineStop != '\n') return next;
  }
}

bool TSpl::ReadByte(uint8_t& b) {
  return stream_->Read(&b, 1) == 1;
}

bool TSpl::ReadU16(uint16_t& v) {
  uint8_t b[2];
  if (!ReadBytes(b, 2)) return false;
  v = LoadLE16(b);
  return true;
}

bool TSpl::ReadU32(uint32_t& v) {
  uint8_t b[4];
  if (!ReadBytes(b, 4)) return false;
  v = LoadLE32(b);
  return true;
}

bool TSpl::Skip(int64_t n) {
  if (n < 0) return false;
  // Past the end every read fails alike, so a huge skip stops at the end.
  const int64_t pos = stream_->Position();
  const int64_t room = std::max<int64_t>(stream_->Size() - pos, 0);
  stream_->Seek(n < room ? pos + n : std::max(pos, stream_->Size()),
                TCustomMappedStream::soBeginning);
  return true;
}

}  // namespace ostrovel
