#include "uEngineHooks.h"

#include "uHooks.h"
#include "uLanguage.h"
#include "uLogs.h"
#include "uText.h"

namespace ostrovel {

namespace {

void LogToErrorLog(uint32_t code, int osError, std::u16string_view context) {
  LogError(static_cast<int32_t>(code), osError, WideToAnsi(context));
}

std::u16string LanguageText(std::u16string_view section, std::u16string_view key, std::u16string_view fallback) {
  return GetLanguageText(WideToUtf8(section), WideToUtf8(key), fallback);
}

}  // namespace

void InstallEngineHooks() {
  SetLogErrorHook(LogToErrorLog);
  SetLanguageTextHook(LanguageText);
}

}  // namespace ostrovel
