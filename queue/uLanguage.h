// Texts the user sees, looked up by section and key in the language file
// InstallDir + language name + ".lng", each lookup with its English default.
// English itself is built in and reads no file.
//
// Threads: meant for the main thread; the current language is guarded so
// that other threads may look texts up too.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "uIniFile.h"

namespace ostrovel {

// The language in use; empty until the first lookup.
std::string CurrentLanguage();
void SetCurrentLanguage(std::string name);

// Reads the user's "Language" setting; the start-up installs it, since the
// settings live above this library. Without it there is no setting.
using TLanguageSettingReader = std::function<std::string()>;
void SetLanguageSettingReader(TLanguageSettingReader reader);

// The user's message locale: LC_ALL, else LC_MESSAGES, else LANG.
std::string SystemLocale();

// The language file for a locale such as "de_DE.UTF-8": only the locales in
// the table match, anything else (de_AT too) gives "English".
std::string LanguageForLocale(std::string_view locale);

// The "Language" setting, else the language of the system locale; never empty.
std::string DetectLanguage();

// A reader on the language's file, whether or not the file exists; empty
// name means CurrentLanguage, which is detected first when still empty.
// English, a name with a "/", or no InstallDir gives a reader with no file
// behind it.
TIniFile OpenLanguageFile(std::string name = {});

// One text of the current language, for texts needed once.
std::u16string GetLanguageText(std::string_view section, std::string_view key,
                               std::u16string_view def);

}  // namespace ostrovel
