#include "uSPLType.h"

#include <array>

namespace ostrovel {

namespace {

constexpr std::array<std::string_view, 19> kDataTypeNames = {
    "RAW",       "TEXT",  "NT EMF", "PCLXL", "PCL",    "PCL3GUI",    "RTL",
    "HPGL2",     "XL2HB", "ZIMF",   "ZJS",   "LIPS4",  "PostScript", "XPS",
    "PRESCRIBE", "PDF",   "TIFF",   "CAPT",  "ESC/P2",
};

constexpr std::array<std::string_view, 8> kLanguageNames = {
    "Unknown", "EMF", "PS", "HPGL", "PCL", "ZIMF", "TEXT", "ESC",
};

}  // namespace

std::string_view DataTypeName(uint8_t code) {
  return code < kDataTypeNames.size() ? kDataTypeNames[code] : std::string_view();
}

std::string_view LanguageName(uint8_t language) {
  return language < kLanguageNames.size() ? kLanguageNames[language] : kLanguageNames[0];
}

void ClearSplInfo(TSPLInfo& info) {
  const int32_t reserved1 = info.Reserved1, reserved2 = info.Reserved2;
  const int32_t widthMm = info.PaperWidthMm, lengthMm = info.PaperLengthMm;
  info = TSPLInfo{};
  info.Reserved1 = reserved1;
  info.Reserved2 = reserved2;
  info.PaperWidthMm = widthMm;
  info.PaperLengthMm = lengthMm;
}

}  // namespace ostrovel
