// The CAPT state: records of a uint16 code and a uint16 length.
#include "uBytes.h"
#include "uSPL.h"

namespace ostrovel {

bool TSpl::CaptStep(int& /*next*/) {
  uint16_t code, length;
  if (!ReadU16(code) || !ReadU16(length)) return false;
  uint8_t body[68] = {};
  switch (code) {
    case 0x0001:  // job settings
      if (!ReadBytes(body, 20)) return false;
      DevMode.dmCopies = static_cast<int16_t>(LoadLE16(body + 4));
      DevMode.dmCollate = static_cast<int16_t>(LoadLE16(body + 8));
      DevMode.dmDuplex = static_cast<int16_t>(LoadLE16(body + 12));
      DevMode.dmFields |= dmfCopies | dmfCollate | dmfDuplex;
      if (length > 24) {
        if (!ReadU32(DevMode.dmNup)) return false;
        DevMode.dmFields |= dmfNup;
        return Skip(length - 28);
      }
      return true;
    case 0x0002:  // page setup
      if (!ReadBytes(body, 68)) return false;
      DevMode.dmPaperSize = static_cast<int16_t>(LoadLE16(body));
      DevMode.dmFields |= dmfPaperSize;
      if (!Skip(length - 72)) return false;
      ++captSetups_;
      return true;
    case 0x0004:  // page
      if (!Skip(length - 4)) return false;
      ++Pages;
      return true;
    case 0x8000:
      ReadBytes(body, 4);
      return Skip(length - 8);
    case 0x8200:
    case 0x8201:
    case 0x8202:
    case 0x8203:  // these carry their own length
      if (!ReadBytes(body, 4)) return false;
      return Skip(LoadLE16(body) - 8);
    case 0xD0A0:
      ReadBytes(body, 34);
      return Skip(length - 38);
    default:
      return Skip(length - 4);
  }
}

}  // namespace ostrovel
