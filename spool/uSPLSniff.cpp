// SniffPdlLanguage: names the language of a buffer by its first text lines.
#include <string_view>

#include "uSPL.h"

namespace ostrovel {

namespace {

constexpr size_t kMaxLine = 255;
constexpr int kMaxMissedLines = 61;

bool Has(std::string_view line, std::string_view key) {
  return line.find(key) != std::string_view::npos;
}

// The language a line names, or slUnknown.
TSplLanguage TestLine(std::string_view line) {
  if (Has(line, "@PJL ENTER LANGUAGE")) {
    if (Has(line, "HPGL")) return slHpgl;
    if (Has(line, "PCL")) return slPcl;
  }
  if (line.starts_with("ZIMF")) return slZimf;
  if (Has(line, "%!PS")) return slPostScript;
  if (Has(line, "@EJL SE LA")) {
    if (Has(line, "ESC")) return slEsc;
    if (Has(line, "PCL")) return slPcl;
  }
  return slUnknown;
}

}  // namespace

TSplLanguage SniffPdlLanguage(const uint8_t* buffer, int64_t length) {
  char line[kMaxLine + 1];
  size_t used = 0;
  int missed = 0;
  for (int64_t i = 0; i < length; ++i) {
    const uint8_t b = buffer[i];
    if (b > 24) line[used++] = static_cast<char>(b);
    if (b != '\n' && used != kMaxLine) continue;
    const TSplLanguage found = TestLine(std::string_view(line, used));
    if (found != slUnknown) return found;
    if (missed == kMaxMissedLines) return slUnknown;
    ++missed;
    used = 0;
  }
  return slUnknown;
}

}  // namespace ostrovel
