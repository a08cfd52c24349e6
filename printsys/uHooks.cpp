#include "uHooks.h"

#include <atomic>
#include <cstdio>

#include "uText.h"

namespace ostrovel {

namespace {

void LogToStderr(uint32_t code, int osError, std::u16string_view context) {
  std::fprintf(stderr, "ostrovel: error %u (system error %d) in %s\n", code, osError,
               WideToUtf8(context).c_str());
}

std::u16string DefaultText(std::u16string_view, std::u16string_view, std::u16string_view fallback) {
  return std::u16string(fallback);
}

std::atomic<TLogErrorHook> logHook{&LogToStderr};
std::atomic<TLanguageTextHook> textHook{&DefaultText};

}  // namespace

void SetLogErrorHook(TLogErrorHook hook) {
  logHook = hook ? hook : &LogToStderr;
}

void SetLanguageTextHook(TLanguageTextHook hook) {
  textHook = hook ? hook : &DefaultText;
}

void PrintsysLogError(uint32_t code, int osError, std::u16string_view context) {
  logHook.load()(code, osError, context);
}

std::u16string PrintsysLanguageText(std::u16string_view section, std::u16string_view key,
                                    std::u16string_view fallback) {
  return textHook.load()(section, key, fallback);
}

}  // namespace ostrovel
