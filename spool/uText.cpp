#include "uText.h"

#include <array>
#include <cstdint>

namespace ostrovel {

namespace {

// Windows-1252 for 0x80..0x9F; the five unassigned bytes map to themselves,
// as the system's conversion does, so every byte round-trips.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::u16string AnsiToWide(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes)
    out += (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
      out += static_cast<char>(c);
      continue;
    }
    char mapped = '?';
    for (size_t i = 0; i < kCp1252High.size(); ++i)
      if (kCp1252High[i] == c) mapped = static_cast<char>(0x80 + i);
    out += mapped;
  }
  return out;
}

std::u16string Utf8ToWide(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    int extra = 0;
    char32_t c = 0, min = 0;
    if (b0 < 0x80) {
      out += char16_t(b0);
      ++i;
      continue;
    } else if ((b0 & 0xE0) == 0xC0) {
      extra = 1, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
      extra = 2, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
      extra = 3, c = b0 & 0x07, min = 0x10000;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    int got = 0;
    while (got < extra && i + 1 + got < bytes.size() &&
           (static_cast<unsigned char>(bytes[i + 1 + got]) & 0xC0) == 0x80) {
      c = (c << 6) | (static_cast<unsigned char>(bytes[i + 1 + got]) & 0x3F);
      ++got;
    }
    i += 1 + got;
    if (got < extra || c < min || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
      out += u'\uFFFD';
    } else if (c >= 0x10000) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
      out += char16_t(c);
    }
  }
  return out;
}

std::string WideToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace ostrovel
