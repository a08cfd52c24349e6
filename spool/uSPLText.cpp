#include "uSPLText.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace ostrovel::spltext {

bool Find(std::string_view line, std::string_view key, std::string_view& value) {
  const size_t at = line.find(key);
  if (at == std::string_view::npos) {
    value = line;
    return false;
  }
  value = line.substr(at + key.size());
  return !value.empty();
}

std::string Clean(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '=' && c != '"' && c != '\n' && c != '\r') out += c;
  return std::string(Trim(out));
}

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

int32_t Number(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t(1) << 32);
  value = negative ? -value : value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

std::string_view FirstToken(std::string_view text) {
  return text.substr(0, text.find(' '));
}

std::string_view UpTo(std::string_view text, std::string_view mark) {
  const size_t at = text.find(mark);
  return at == std::string_view::npos ? std::string_view() : text.substr(0, at);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace ostrovel::spltext
