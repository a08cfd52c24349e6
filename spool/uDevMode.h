// The public part of a wide-character device mode (220 bytes), as drivers
// write it into spool data, and the bits of its dmFields member.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrovel {

enum TDevModeField : uint32_t {
  dmfOrientation = 0x1,
  dmfPaperSize = 0x2,
  dmfPaperLength = 0x4,
  dmfPaperWidth = 0x8,
  dmfNup = 0x40,
  dmfCopies = 0x100,
  dmfPrintQuality = 0x400,
  dmfColor = 0x800,
  dmfDuplex = 0x1000,
  dmfYResolution = 0x2000,
  dmfCollate = 0x8000,
};

struct TDevModeW {
  char16_t dmDeviceName[32];
  uint16_t dmSpecVersion;
  uint16_t dmDriverVersion;
  uint16_t dmSize;
  uint16_t dmDriverExtra;
  uint32_t dmFields;
  int16_t dmOrientation;
  int16_t dmPaperSize;
  int16_t dmPaperLength;  // tenths of a millimetre
  int16_t dmPaperWidth;   // tenths of a millimetre
  int16_t dmScale;
  int16_t dmCopies;
  int16_t dmDefaultSource;
  int16_t dmPrintQuality;
  int16_t dmColor;   // 1 monochrome, 2 colour
  int16_t dmDuplex;  // 1 simplex, 2 and 3 duplex
  int16_t dmYResolution;
  int16_t dmTTOption;
  int16_t dmCollate;
  char16_t dmFormName[32];
  uint16_t dmLogPixels;
  uint32_t dmBitsPerPel;
  uint32_t dmPelsWidth;
  uint32_t dmPelsHeight;
  uint32_t dmNup;
  uint32_t dmDisplayFrequency;
  uint32_t dmICMMethod;
  uint32_t dmICMIntent;
  uint32_t dmMediaType;
  uint32_t dmDitherType;
  uint32_t dmReserved1;
  uint32_t dmReserved2;
  uint32_t dmPanningWidth;
  uint32_t dmPanningHeight;
};

static_assert(sizeof(TDevModeW) == 220, "a device mode's public part is 220 bytes");
static_assert(offsetof(TDevModeW, dmFields) == 72);
static_assert(offsetof(TDevModeW, dmCopies) == 86);
static_assert(offsetof(TDevModeW, dmFormName) == 102);
static_assert(offsetof(TDevModeW, dmNup) == 180);

// Bytes of driver-private data kept after the public part.
constexpr size_t kDevModeDriverDataSize = 376;

}  // namespace ostrovel
