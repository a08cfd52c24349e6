// Small operations on byte text used by the header scan.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrovel::spltext {

// True when key occurs in line with at least one byte after its first
// occurrence; value is then everything after the key. When the key is absent
// value is the whole line.
bool Find(std::string_view line, std::string_view key, std::string_view& value);

// Removes every "=", double quote, LF and CR, then trims bytes up to and
// including the blank at both ends.
std::string Clean(std::string_view text);

// Trims bytes up to and including the blank at both ends.
std::string_view Trim(std::string_view text);

// An optional sign and the decimal digits after it, up to the first other
// byte; 0 without digits. Saturates at the 32-bit limits.
int32_t Number(std::string_view text);

// The text up to its first blank (all of it without one).
std::string_view FirstToken(std::string_view text);

// The text before the first occurrence of mark; empty when mark is absent.
std::string_view UpTo(std::string_view text, std::string_view mark);

bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace ostrovel::spltext
