// The two services this library needs from the rest of the program: the
// error log and the language texts. Until the program plugs its own in,
// errors go to stderr and every text is its built-in English default.
//
// Threads: set the hooks once at start-up, before other threads run; the
// calls may then come from any thread, and the hooks must allow that.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrovel {

// Writes one error-log line: a code, the operating-system error and the
// context text naming the routine ("GetPrinters").
using TLogErrorHook = void (*)(uint32_t code, int osError, std::u16string_view context);

// The text of key in section of the chosen language, or fallback.
using TLanguageTextHook = std::u16string (*)(std::u16string_view section, std::u16string_view key,
                                             std::u16string_view fallback);

void SetLogErrorHook(TLogErrorHook hook);          // null: back to stderr
void SetLanguageTextHook(TLanguageTextHook hook);  // null: back to the defaults

void PrintsysLogError(uint32_t code, int osError, std::u16string_view context);
std::u16string PrintsysLanguageText(std::u16string_view section, std::u16string_view key,
                                    std::u16string_view fallback);

}  // namespace ostrovel
