#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "queue_test_util.h"
#include "uIniFile.h"
#include "uLanguage.h"
#include "uPaths.h"
#include "uSharedTexts.h"
#include "uText.h"

namespace ostrovel {
namespace {

using test::TTempDir;
using test::WriteAll;

// UTF-16 LE bytes with the byte-order mark.
std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(IniFile, EncodingsAndMatching) {
  TTempDir tmp;
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string expected;
  } cases[] = {
      {"UTF-8 with mark", "\xEF\xBB\xBF[Menu]\nsmenuExit=Beenden \xC3\xBC\n", u"Beenden \u00FC"},
      {"UTF-8 without mark", "[Menu]\r\nsmenuExit=Beenden \xC3\xBC\r\n", u"Beenden \u00FC"},
      {"code page without mark", "[Menu]\r\nsmenuExit=Gr\xFC\xDF \x80\r\n",
       u"Gr\u00FC\u00DF \u20AC"},
      {"UTF-16 LE", Utf16File(u"[Menu]\r\nsmenuExit=\u0412\u044B\u0445\u043E\u0434\r\n"),
       u"\u0412\u044B\u0445\u043E\u0434"},
      {"case of names", "[MENU]\nSMENUEXIT=Exit!\n", u"Exit!"},
      {"blanks and quotes", "  [ Menu ]  \n  smenuExit =  \" padded \"  \n", u" padded "},
      {"first entry wins", "[Menu]\nsmenuExit=one\nsmenuexit=two\n", u"one"},
      {"comments and stray lines", "smenuExit=outside\n;[Menu]\n[Menu]\n; smenuExit=no\nnoise\n",
       u"default"},
      {"empty value", "[Menu]\nsmenuExit=\n", u""},
  };
  for (const auto& c : cases) {
    const std::string file = tmp.Dir() + "t.ini";
    WriteAll(file, c.bytes);
    const TIniFile ini(file);
    EXPECT_TRUE(ini.Loaded());
    EXPECT_EQ(WideToUtf8(ini.ReadString("menu", "smenuExit", u"default")), WideToUtf8(c.expected))
        << c.what;
  }
}

TEST(IniFile, MissingFileSectionOrKeyGivesDefault) {
  TTempDir tmp;
  const TIniFile missing(tmp.Dir() + "none.ini");
  EXPECT_FALSE(missing.Loaded());
  EXPECT_EQ(missing.ReadString("Options", "CurrencyDecimals", u"x"), u"x");
  EXPECT_EQ(TIniFile().ReadInteger("Options", "CurrencyDecimals", 2), 2);
  WriteAll(tmp.Dir() + "a.ini", "[Options]\nOther=1\n");
  const TIniFile ini(tmp.Dir() + "a.ini");
  EXPECT_EQ(ini.ReadString("Options", "CurrencyDecimals", u"x"), u"x");
  EXPECT_EQ(ini.ReadString("Nothing", "Other", u"x"), u"x");
}

TEST(IniFile, Integers) {
  TTempDir tmp;
  struct Case {
    const char* value;
    int expected;  // with default 7
  } cases[] = {
      {"3", 3},          {" 3 ", 3},   {"-1", -1}, {"+4", 4},
      {"0x10", 16},      {"$ff", 255}, {"abc", 7}, {"4x", 7},
      {"", 7},           {"--5", 7},   {"3.0", 7}, {"2147483647", 2147483647},
      {"2147483648", 7},
  };
  for (const auto& c : cases) {
    WriteAll(tmp.Dir() + "o.ini", std::string("[Options]\nCurrencyDecimals=") + c.value + "\n");
    EXPECT_EQ(TIniFile(tmp.Dir() + "o.ini").ReadInteger("Options", "CurrencyDecimals", 7),
              c.expected)
        << c.value;
  }
}

TEST(Language, LocaleTable) {
  struct Case {
    const char* locale;
    const char* language;
  } cases[] = {
      {"de_DE", "German"},
      {"de_DE.UTF-8", "German"},
      {"de_DE@euro", "German"},
      {"de_AT.UTF-8", "English"},  // other sub-languages are not translated
      {"ar_SA", "Arabic"},
      {"cs_CZ", "Czech"},
      {"el_GR", "Greek"},
      {"es_ES", "Spanish"},
      {"fr_FR", "French"},
      {"fr_CA", "English"},
      {"it_IT", "Italian"},
      {"ja_JP.eucJP", "Japanese"},
      {"pl_PL.UTF-8", "Polich"},  // the file's own spelling
      {"pt_BR", "Portuguese-Brazilian"},
      {"pt_PT", "English"},
      {"ru_RU.KOI8-R", "Russian"},
      {"hy_AM", "Armenian"},
      {"en_US.UTF-8", "English"},
      {"C", "English"},
      {"C.UTF-8", "English"},
      {"", "English"},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageForLocale(c.locale), c.language) << c.locale;
}

// Puts the process-wide language state back after each test.
class LanguageState : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_dir_ = InstallDir();
    SetInstallDir(tmp_.Dir());
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* v = std::getenv(name);
      saved_env_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
      unsetenv(name);
    }
  }
  void TearDown() override {
    SetInstallDir(saved_dir_);
    SetCurrentLanguage("");
    SetLanguageSettingReader(nullptr);
    for (const auto& [name, value] : saved_env_)
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    LoadSharedWords(TIniFile());
    LoadStatusNames(TIniFile());
  }

  TTempDir tmp_;
  std::string saved_dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_env_;
};

TEST_F(LanguageState, SettingComesBeforeLocale) {
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(DetectLanguage(), "German");
  setenv("LC_MESSAGES", "ru_RU.UTF-8", 1);  // the more specific variable wins
  EXPECT_EQ(DetectLanguage(), "Russian");
  setenv("LC_ALL", "de_AT.UTF-8", 1);
  EXPECT_EQ(DetectLanguage(), "English");
  SetLanguageSettingReader([] { return std::string("French"); });
  EXPECT_EQ(DetectLanguage(), "French");
  SetLanguageSettingReader([] { return std::string(); });
  EXPECT_EQ(DetectLanguage(), "English");
  SetLanguageSettingReader([]() -> std::string { throw std::runtime_error("unreadable"); });
  EXPECT_EQ(DetectLanguage(), "English");
}

TEST_F(LanguageState, FirstLookupDetectsTheLanguageAndReadsItsFile) {
  setenv("LANG", "ru_RU.UTF-8", 1);
  WriteAll(tmp_.Dir() + "Russian.lng",
           Utf16File(u"[Global]\r\nLocalName=\u0420\u0443\u0441\u0441\u043A\u0438\u0439\r\n"
                     u"[Menu]\r\nmenuFile=\u0424\u0430\u0439\u043B\r\n"
                     u"[tabQueue]\r\nstrConnecting=\u0421\u043E\u0435\u0434\u0438\u043D\u0435"
                     u"\u043D\u0438\u0435\r\n"));
  EXPECT_EQ(CurrentLanguage(), "");
  EXPECT_EQ(GetLanguageText("tabQueue", "strConnecting", u"Connecting"),
            u"\u0421\u043E\u0435\u0434\u0438\u043D\u0435\u043D\u0438\u0435");
  EXPECT_EQ(CurrentLanguage(), "Russian");
  EXPECT_EQ(GetLanguageText("menu", "MENUFILE", u"File"), u"\u0424\u0430\u0439\u043B");
  EXPECT_EQ(GetLanguageText("Menu", "menuEdit", u"Edit"), u"Edit");  // this key only
}

TEST_F(LanguageState, EnglishAndMissingFilesReadTheBuiltInTexts) {
  WriteAll(tmp_.Dir() + "English.lng", "[Menu]\nmenuFile=Not this\n");
  SetCurrentLanguage("english");
  EXPECT_FALSE(OpenLanguageFile().Loaded());
  EXPECT_EQ(GetLanguageText("Menu", "menuFile", u"File"), u"File");
  SetCurrentLanguage("Klingon");
  const TIniFile none = OpenLanguageFile();
  EXPECT_EQ(none.FileName(), tmp_.Dir() + "Klingon.lng");
  EXPECT_FALSE(none.Loaded());
  EXPECT_EQ(GetLanguageText("Menu", "menuFile", u"File"), u"File");
  std::filesystem::create_directories(tmp_.Dir() + "sub");
  WriteAll(tmp_.Dir() + "sub/German.lng", "[Menu]\nmenuFile=Datei\n");
  SetCurrentLanguage("sub/German");
  EXPECT_EQ(GetLanguageText("Menu", "menuFile", u"File"), u"File");
  SetInstallDir("");
  EXPECT_EQ(InstallDir(), "/");  // never without its separator
}

TEST_F(LanguageState, SharedTextsFollowTheLanguage) {
  const auto builtin = BuiltinSharedTexts();
  EXPECT_EQ(builtin->JobStatus[6], u"Out Of Paper");  // the spooler's spelling until loaded
  EXPECT_EQ(builtin->PrinterStatus.back(), u"Offline");
  EXPECT_EQ(builtin->Yes, u"Yes");
  WriteAll(tmp_.Dir() + "German.lng",
           "[Global]\nstrYes=Ja\nstrOpening=\xC3\x96"
           "ffnen\n[tabReports]\nstrDraft=Entwurf\n"
           "[tabQueue]\njobPaused=Angehalten\nprnOffline=Offline (de)\n");
  const TIniFile german = OpenLanguageFile("German");
  LoadSharedWords(german);
  auto texts = SharedTexts();
  EXPECT_EQ(texts->Yes, u"Ja");
  EXPECT_EQ(texts->No, u"No");
  EXPECT_EQ(texts->Draft, u"Entwurf");
  EXPECT_EQ(texts->JobStatus[0], u"Paused");  // status names wait for their own load
  LoadStatusNames(german);
  texts = SharedTexts();
  EXPECT_EQ(texts->JobStatus[0], u"Angehalten");
  EXPECT_EQ(texts->JobStatus[6], u"Out of Paper");  // the language default
  EXPECT_EQ(texts->PrinterStatus.back(), u"Offline (de)");
  EXPECT_EQ(texts->Opening, u"\u00D6ffnen");
  EXPECT_EQ(texts->ConnectionError, u"Connection error");
  LoadSharedWords(TIniFile());
  EXPECT_EQ(texts->Yes, u"Ja");  // a snapshot held elsewhere does not change
}

}  // namespace
}  // namespace ostrovel
