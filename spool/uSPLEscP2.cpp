// The ESC/P2 state: escape commands, raster blocks (plain or run-length),
// remote-mode commands, and form feeds counting pages.
#include <cstring>

#include "uBytes.h"
#include "uSPL.h"

namespace ostrovel {

namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kFormFeed = 0x0C;

// The exit packet after its first byte.
constexpr uint8_t kExitPacketTail[26] = {0x00, 0x00, 0x1B, 0x01, '@', 'E', 'J',  'L', ' ',
                                         '1',  '2',  '8',  '4',  '.', '4', 0x0A, '@', 'E',
                                         'J',  'L',  ' ',  ' ',  ' ', ' ', ' ',  0x0A};

bool IsUpper(uint8_t b) {
  return b >= 'A' && b <= 'Z';
}

}  // namespace

bool TSpl::EscP2Step(int& /*next*/) {
  // Bytes that are none of ESC, NUL, form feed or (in remote mode) a capital
  // letter do nothing: pass over them in one go.
  const auto bytes = stream_->Bytes();
  int64_t pos = stream_->Position();
  const int64_t size = static_cast<int64_t>(bytes.size());
  if (pos < 0 || pos >= size) return false;
  while (pos < size) {
    const uint8_t b = bytes[pos];
    if (b == kEsc || b == 0 || b == kFormFeed || (remote_ && IsUpper(b))) break;
    ++pos;
  }
  stream_->Seek(pos, TCustomMappedStream::soBeginning);

  uint8_t b;
  if (!ReadByte(b)) return false;
  if (b == kEsc) {
    uint8_t c;
    if (!ReadByte(c)) return false;
    switch (c) {
      case 0x00: {
        uint8_t two[2];
        if (stream_->Peek(two, 2) != 2 || two[0] != 0 || two[1] != 0) return false;
        Skip(2);
        break;
      }
      case 0x19:
      case 'U':
        Skip(1);
        break;
      case '(': {
        uint8_t letter;
        uint16_t n;
        if (!ReadByte(letter) || !ReadU16(n)) return false;
        if (letter == 'K' && n == 2) {
          uint8_t mode[2] = {};
          stream_->Read(mode, 2);
          DevMode.dmColor = mode[1] == 1 ? 1 : 2;
          DevMode.dmFields |= dmfColor;
        } else {
          if (letter == 'R' && n == 8) remote_ = true;
          Skip(n);
        }
        break;
      }
      case 'i': {  // raster block
        uint8_t head[7];
        if (!ReadBytes(head, sizeof head)) return false;
        const uint8_t compression = head[1];
        const uint16_t bytesPerLine = LoadLE16(head + 3);
        const uint16_t lines = LoadLE16(head + 5);
        int64_t count = int64_t(bytesPerLine) * lines;
        if (compression == 0) {
          Skip(count);
        } else if (compression == 1) {
          // Run-length rows: a control byte n < 128 is followed by n + 1
          // literal bytes, n >= 128 by one byte repeated 257 - n times.
          const uint8_t* const data = bytes.data();
          int64_t p = stream_->Position();
          while (count > 0 && p < size) {
            const uint8_t control = data[p++];
            if (control >= 128) {
              p += 1;
              count -= 257 - control;
            } else {
              p += control + 1;
              count -= control + 1;
            }
          }
          stream_->Seek(p < size ? p : size, TCustomMappedStream::soBeginning);
        }
        break;
      }
      default:
        break;
    }
    return true;
  }

  if (remote_ && IsUpper(b)) {
    uint8_t second;
    uint16_t n;
    if (!ReadByte(second) || !IsUpper(second) || !ReadU16(n)) return false;
    const char command[3] = {static_cast<char>(b), static_cast<char>(second), 0};
    if (std::strcmp(command, "DP") == 0 && n == 2) {
      uint8_t value[2] = {};
      stream_->Read(value, 2);
      DevMode.dmDuplex = value[1] != 0 ? 2 : 1;
      DevMode.dmFields |= dmfDuplex;
    } else if (std::strcmp(command, "PP") == 0 || std::strcmp(command, "US") == 0) {
      Skip(3);
    } else {
      Skip(n);
    }
    return true;
  }

  if (b == 0) {
    uint8_t tail[sizeof kExitPacketTail];
    if (stream_->Peek(tail, sizeof tail) == sizeof tail &&
        std::memcmp(tail, kExitPacketTail, sizeof tail) == 0)
      Skip(sizeof tail);
  } else if (b == kFormFeed) {
    ++Pages;
  }
  return true;
}

}  // namespace ostrovel
