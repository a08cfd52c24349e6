#include "uIniFile.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "uText.h"

namespace ostrovel {
namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == 0xFEFF;
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names are compared as folded UTF-8; only ASCII letters have case here.
std::string Fold(std::string_view utf8) {
  std::string out(utf8);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string MapKey(std::string_view section, std::string_view key) {
  return Fold(section) + '\n' + Fold(key);
}

}  // namespace

std::u16string DecodeIniText(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
    return out;
  }
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return Utf8ToWide(bytes.substr(3));
  std::u16string utf8 = Utf8ToWide(bytes);
  // A replacement character that the bytes did not spell out means they
  // were not UTF-8: an older file in the Windows code page.
  if (utf8.find(u'\uFFFD') != std::u16string::npos &&
      bytes.find("\xEF\xBF\xBD") == std::string_view::npos)
    return AnsiToWide(bytes);
  return utf8;
}

TIniFile::TIniFile(const std::string& fileName) : file_name_(fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return;
  loaded_ = true;
  Parse(DecodeIniText(bytes));
}

void TIniFile::Parse(std::u16string_view text) {
  std::string section;
  bool in_section = false;
  while (!text.empty()) {
    const size_t end = text.find(u'\n');
    std::u16string_view line = Trim(text.substr(0, end));
    text = end == std::u16string_view::npos ? std::u16string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      const size_t close = line.find(u']');
      if (close == std::u16string_view::npos) continue;
      section = WideToUtf8(Trim(line.substr(1, close - 1)));
      in_section = true;
      continue;
    }
    const size_t eq = line.find(u'=');
    if (!in_section || eq == std::u16string_view::npos) continue;
    const std::string key = WideToUtf8(Trim(line.substr(0, eq)));
    std::u16string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    values_.emplace(MapKey(section, key), value);  // an earlier entry is kept
  }
}

std::u16string TIniFile::ReadString(std::string_view section, std::string_view key,
                                    std::u16string_view def) const {
  const auto it = values_.find(MapKey(section, key));
  return it == values_.end() ? std::u16string(def) : it->second;
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const std::string text = WideToUtf8(ReadString(section, key, u""));
  std::string_view s = text;
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.starts_with("0x") || s.starts_with("0X")) {
    base = 16;
    s.remove_prefix(2);
  } else if (s.starts_with("$")) {
    base = 16;
    s.remove_prefix(1);
  }
  if (s.empty() || s.front() == '-') return def;
  long long value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (ec != std::errc() || end != s.data() + s.size()) return def;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return def;
  return static_cast<int>(value);
}

}  // namespace ostrovel
