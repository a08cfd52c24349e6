#include "uLanguage.h"

#include <array>
#include <cstdlib>
#include <mutex>

#include "uPaths.h"

namespace ostrovel {
namespace {

// The languages a translation exists for, by the Windows locale id that
// selected them and the POSIX locale that stands for it here. The names are
// file base names, spelt as the files are.
struct TLocaleLanguage {
  const char* digits;  // the locale id's last three hexadecimal digits
  const char* locale;  // language_TERRITORY
  const char* name;
};

constexpr std::array<TLocaleLanguage, 12> kLocaleLanguages = {{
    {"401", "ar_SA", "Arabic"},
    {"405", "cs_CZ", "Czech"},
    {"407", "de_DE", "German"},
    {"408", "el_GR", "Greek"},
    {"40A", "es_ES", "Spanish"},
    {"40C", "fr_FR", "French"},
    {"410", "it_IT", "Italian"},
    {"411", "ja_JP", "Japanese"},
    {"415", "pl_PL", "Polich"},
    {"416", "pt_BR", "Portuguese-Brazilian"},
    {"419", "ru_RU", "Russian"},
    {"42b", "hy_AM", "Armenian"},
}};

struct TLanguageState {
  std::mutex mutex;
  std::string current;
  TLanguageSettingReader setting;
};

TLanguageState& State() {
  static TLanguageState state;
  return state;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::string CurrentLanguage() {
  std::lock_guard<std::mutex> hold(State().mutex);
  return State().current;
}

void SetCurrentLanguage(std::string name) {
  std::lock_guard<std::mutex> hold(State().mutex);
  State().current = std::move(name);
}

void SetLanguageSettingReader(TLanguageSettingReader reader) {
  std::lock_guard<std::mutex> hold(State().mutex);
  State().setting = std::move(reader);
}

std::string SystemLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = std::getenv(name); value && *value) return value;
  return {};
}

std::string LanguageForLocale(std::string_view locale) {
  // "de_DE.UTF-8@euro" names the language and territory in its first part.
  locale = locale.substr(0, locale.find_first_of(".@"));
  for (const auto& entry : kLocaleLanguages)
    if (EqualsNoCase(locale, entry.locale)) return entry.name;
  return "English";
}

std::string DetectLanguage() {
  std::string name;
  try {
    TLanguageSettingReader setting;
    {
      std::lock_guard<std::mutex> hold(State().mutex);
      setting = State().setting;
    }
    if (setting) name = setting();
  } catch (...) {
    // An unreadable setting counts as none.
  }
  if (name.empty()) name = LanguageForLocale(SystemLocale());
  return name;
}

TIniFile OpenLanguageFile(std::string name) {
  if (name.empty()) {
    name = CurrentLanguage();
    if (name.empty()) {
      name = DetectLanguage();
      SetCurrentLanguage(name);
    }
  }
  const std::string dir = InstallDir();
  // A name is a file base name; one with a folder in it names no language.
  if (dir.empty() || EqualsNoCase(name, "English") || name.find('/') != std::string::npos)
    return TIniFile();
  return TIniFile(dir + name + ".lng");
}

std::u16string GetLanguageText(std::string_view section, std::string_view key,
                               std::u16string_view def) {
  return OpenLanguageFile().ReadString(section, key, def);
}

}  // namespace ostrovel
