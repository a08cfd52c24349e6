// Conversions between byte text and wide (UTF-16) text.
//
// Byte text from spool data is read in the Windows-1252 code page, as the
// spooler's own programs read it; UTF-8 is decoded where the data says so.
#pragma once

#include <string>
#include <string_view>

namespace ostrovel {

// Each byte to one wide character through Windows-1252.
std::u16string AnsiToWide(std::string_view bytes);

// The inverse of AnsiToWide; characters outside the code page become '?'.
std::string WideToAnsi(std::u16string_view text);

// Decodes UTF-8; malformed sequences become U+FFFD.
std::u16string Utf8ToWide(std::string_view bytes);

// Encodes UTF-16 as UTF-8; unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::u16string_view text);

}  // namespace ostrovel
