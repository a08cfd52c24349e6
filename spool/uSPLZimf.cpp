// The ZIMF state: records with a 32-byte header. Only the document header and
// DEVMODE changes carry findings; the other record types are stepped over by
// the same byte movements the format's own reader makes.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "uBytes.h"
#include "uSPL.h"

namespace ostrovel {

namespace {

constexpr uint32_t kZimfSignature = 0xDCA99ACD;

}  // namespace

// Reads the public device mode and skips its driver-private bytes.
void TSpl::ReadDevMode() {
  uint8_t raw[sizeof(TDevModeW)];
  const int64_t n = stream_->Read(raw, sizeof raw);
  if (n > 0) std::memcpy(&DevMode, raw, static_cast<size_t>(n));
}

bool TSpl::ZimfStep(int& /*next*/) {
  const int64_t recordStart = stream_->Position();
  uint8_t header[32];
  if (!ReadBytes(header, sizeof header) || LoadLE32(header) != kZimfSignature) return false;
  const int64_t length = LoadLE32(header + 4);
  const uint32_t type = LoadLE32(header + 16);
  const uint32_t subKind = LoadLE32(header + 28);
  auto moveTo = [&](uint32_t offset) {
    stream_->Seek(recordStart + offset, TCustomMappedStream::soBeginning);
  };

  uint32_t o = 0, a = 0, b = 0, v = 0;
  uint8_t block[228] = {};
  // Reads a uint32 whose low 16 bits count the bytes that follow, and skips them.
  auto skipCounted = [&] {
    ReadU32(v);
    Skip(v & 0xFFFF);
  };
  switch (type) {
    case 1:
      if (subKind != 1) {
        if (!Skip(length - 32)) return false;
        break;
      }
      // Document header with the job's device mode.
      ReadU32(o);
      moveTo(o);
      ReadU32(v);
      skipCounted();
      skipCounted();
      ReadU32(v);
      ReadDevMode();
      if (stream_->Peek(block, 4) == 4 && std::memcmp(block, "SDDM", 4) == 0)
        stream_->Peek(DriverData, sizeof DriverData);
      Skip(DevMode.dmDriverExtra);
      break;
    case 3:  // end of page
      if (!Skip(length - 32)) return false;
      ++Pages;
      break;
    case 6: {
      ReadU32(o);
      moveTo(o);
      const int64_t n = int64_t(o) + 228 < length ? length - o : 228;
      stream_->Read(block, 228);
      if (n > 228) {
        if (!Skip(n - 356)) return false;
        stream_->Read(block, 128);
      }
      break;
    }
    case 7:
      ReadU32(o);
      ReadU32(v);
      moveTo(o);
      stream_->Read(block, 48);
      Skip(static_cast<int64_t>(
          std::min<uint64_t>(uint64_t(LoadLE32(block + 24)) * LoadLE32(block + 20), INT64_MAX)));
      break;
    case 8:
      ReadU32(o);
      ReadU32(a);
      ReadU32(b);
      moveTo(o);
      if (o != 0) stream_->Read(block, 40);
      if (a != 0) Skip(8 * int64_t(LoadLE32(block + 32)));
      if (b != 0) Skip(LoadLE32(block + 36));
      break;
    case 12:
      ReadU32(o);
      moveTo(o);
      ReadU32(v);
      ReadU32(v);
      skipCounted();
      skipCounted();
      ReadU32(v);
      break;
    case 13:  // device mode change
      ReadU32(o);
      moveTo(o);
      ReadU32(v);
      ReadU32(v);
      ReadDevMode();
      Skip(DevMode.dmDriverExtra);
      ReadU32(v);
      break;
    case 0:
      break;
    default:  // 2, 4, 5, 9, 10, 11 and everything above 13
      if (!Skip(length - 32)) return false;
      break;
  }
  // A record that ends where it began would be read again and again.
  return stream_->Position() > recordStart;
}

}  // namespace ostrovel
