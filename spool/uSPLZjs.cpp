// The ZJS state: chunks of a 16-byte header and a body; type 3 ends a page.
#include "uBytes.h"
#include "uSPL.h"

namespace ostrovel {

namespace {

uint32_t Swap32(uint32_t v) {
  return __builtin_bswap32(v);
}

}  // namespace

bool TSpl::ZjsStep(int& /*next*/) {
  uint8_t header[16];
  if (!ReadBytes(header, sizeof header) || header[14] != 'Z' || header[15] != 'Z') return false;
  auto u32 = [&](int at) {
    const uint32_t v = LoadLE32(header + at);
    return BigEndian ? Swap32(v) : v;
  };
  const uint32_t size = u32(0);
  const uint32_t type = u32(4);
  if (!Skip(static_cast<int64_t>(size) - 16)) return false;
  if (type == 3) ++Pages;
  return true;
}

}  // namespace ostrovel
