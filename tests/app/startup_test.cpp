#include <gtest/gtest.h>

#include <QSettings>

#include "app_test_util.h"
#include "uSettings.h"
#include "uStartup.h"
#include "uProcs.h"
#include "uText.h"

namespace ostrovel {
namespace {

using test::TTempDir;
using test::WriteAll;

TEST(Startup, LocalComputerName) {
  struct Case {
    const char* host;
    const char* name;
  } cases[] = {
      {"printsrv", "PRINTSRV"},
      {"printsrv.example.org", "PRINTSRV"},
      {"a-very-long-workstation-name", "A-VERY-LONG-WOR"},  // 15 characters
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LocalComputerNameFrom(c.host), Utf8ToWide(c.name)) << c.host;
}

TEST(Startup, InstallDirFromMachineSettings) {
  TTempDir tmp;
  const QString file = QString::fromStdString(tmp.Dir() + "machine.conf");
  struct Case {
    const char* conf;  // the settings file as an administrator writes it
    const char* expected;
  } cases[] = {
      {"", "/usr/lib/ostrovel/"},
      {"[General]\nInstall Directory=\n", "/usr/lib/ostrovel/"},
      {"[General]\nInstall Directory=/opt/ostrovel\n", "/opt/ostrovel/"},
      {"[General]\nInstall Directory=/opt/ostrovel/\n", "/opt/ostrovel/"},
      {"[General]\nInstall%20Directory=/srv/o\n", "/srv/o/"},           // as QSettings writes it
      {"[General]\nInstall Directory=/a, /b\n", "/usr/lib/ostrovel/"},  // a list, not a folder
  };
  for (const auto& c : cases) {
    WriteAll(tmp.Dir() + "machine.conf", c.conf);
    const QSettings machine(file, QSettings::IniFormat);
    EXPECT_EQ(ResolveInstallDir(&machine, "/usr/lib/ostrovel").toStdString(), c.expected) << c.conf;
  }
  EXPECT_EQ(ResolveInstallDir(nullptr, "/usr/lib/ostrovel/").toStdString(), "/usr/lib/ostrovel/");
}

// UTF-16 LE bytes with the byte-order mark.
std::string Utf16(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST(Startup, CurrencyDecimalsFromOptionsIni) {
  TTempDir tmp;
  struct Case {
    std::string ini;
    uint8_t expected;
  } cases[] = {
      {"[Options]\nCurrencyDecimals=3\n", 3},
      {"[Options]\nCurrencyDecimals=0\n", 0},
      {"[options]\ncurrencydecimals=1\n", 1},
      {"[Options]\nCurrencyDecimals=4\n", 2},
      {"[Options]\nCurrencyDecimals=-1\n", 2},
      {"[Options]\nCurrencyDecimals=two\n", 2},
      {"[Options]\nCurrencyDecimals=\n", 2},
      {"[Other]\nCurrencyDecimals=3\n", 2},
      {Utf16(u"[Options]\r\nCurrencyDecimals=1\r\n"), 1},
  };
  for (const auto& c : cases) {
    WriteAll(tmp.Dir() + "Options.ini", c.ini);
    EXPECT_EQ(ReadCurrencyDecimals(tmp.Dir()), c.expected) << c.ini;
  }
  EXPECT_EQ(ReadCurrencyDecimals(tmp.Dir() + "missing/"), 2);
}

TEST(Settings, AllowMultipleInstancesAndLanguage) {
  TTempDir tmp;
  const QString file = QString::fromStdString(tmp.Dir() + "user.conf");
  struct Case {
    const char* interface;
    bool allow;
    const char* language;
  } cases[] = {
      {"", false, ""},
      {"AllowMultipleInstances=0\n", false, ""},
      {"AllowMultipleInstances=1\nLanguage=German\n", true, "German"},
      {"AllowMultipleInstances=7\n", true, ""},
      {"AllowMultipleInstances=true\n", true, ""},
      {"AllowMultipleInstances=yes please\nLanguage=a, b\n", false, ""},
  };
  for (const auto& c : cases) {
    WriteAll(tmp.Dir() + "user.conf", std::string("[Interface]\n") + c.interface);
    const QSettings user(file, QSettings::IniFormat);
    EXPECT_EQ(ReadAllowMultipleInstances(user), c.allow) << c.interface;
    EXPECT_EQ(ReadLanguageSetting(user), c.language) << c.interface;
  }
}

TEST(Startup, ProcessStartReadsSettingsOptionsAndLanguage) {
  TTempDir tmp;
  const std::string install = tmp.Dir() + "install/";
  std::filesystem::create_directories(install);
  test::WriteSettings(tmp, "xdg", "[General]\nInstall Directory=" + install + "\n");
  test::WriteSettings(tmp, "config", "[Interface]\nLanguage=German\n");
  WriteAll(install + "German.lng", "[tabQueue]\nstrConnecting=Verbinde\n");
  WriteAll(install + "Options.ini", "[Options]\nCurrencyDecimals=3\n");

  auto p = test::StartProbe({"init"}, test::ProbeEnvironment(tmp));
  ASSERT_TRUE(p->waitForFinished(30000));
  EXPECT_EQ(p->exitCode(), 0);
  const QString out = QString::fromUtf8(p->readAllStandardOutput());
  EXPECT_TRUE(out.contains(QString::fromStdString("InstallDir=" + install + "\n")))
      << out.toStdString();
  EXPECT_TRUE(out.contains(QString::fromStdString("Log=" + install + "Logs/Errors.log\n")));
  EXPECT_TRUE(out.contains("Language=German\n"));
  EXPECT_TRUE(out.contains("Connecting=Verbinde...\n"));
  EXPECT_TRUE(out.contains("MoneyDecimals=3\n"));
  EXPECT_NE(test::ReadAll(install + "Logs/Errors.log").find("] 0 probe Err:2; "),
            std::string::npos);
}

TEST(Startup, UnwritableInstallFolderLogsBelowUserData) {
  TTempDir tmp;
  WriteAll(tmp.Dir() + "file", "");
  const std::string install = tmp.Dir() + "file/install/";  // can never be made
  test::WriteSettings(tmp, "xdg", "[General]\nInstall Directory=" + install + "\n");
  auto env = test::ProbeEnvironment(tmp);
  env.insert("LANG", "de_AT.UTF-8");  // no translation: English

  auto p = test::StartProbe({"init"}, env);
  ASSERT_TRUE(p->waitForFinished(30000));
  const QString out = QString::fromUtf8(p->readAllStandardOutput());
  const std::string log = tmp.Dir() + "data/Ostrovel/Logs/Errors.log";
  EXPECT_TRUE(out.contains(QString::fromStdString("Log=" + log + "\n"))) << out.toStdString();
  EXPECT_TRUE(out.contains("Language=English\n"));
  EXPECT_TRUE(out.contains("Connecting=Connecting...\n"));
  EXPECT_TRUE(out.contains("MoneyDecimals=2\n"));
  EXPECT_NE(test::ReadAll(log).find("] 0 probe Err:2; "), std::string::npos);
}

}  // namespace
}  // namespace ostrovel
