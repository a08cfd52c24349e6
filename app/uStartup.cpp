#include "uStartup.h"

#include <unistd.h>

#include <QSettings>
#include <atomic>
#include <cctype>
#include <ctime>

#include "uIniFile.h"
#include "uLanguage.h"
#include "uLogs.h"
#include "uPaths.h"
#include "uEngineHooks.h"
#include "uProcs.h"
#include "uSettings.h"

namespace ostrovel {
namespace {

struct TStartupValues {
  TTimeZoneState time_zone;
  std::u16string connecting = u"Connecting...";
};

TStartupValues& Values() {
  static TStartupValues values;
  return values;
}

std::atomic<uint8_t> money_decimals{2};

QString WithSlash(QString dir) {
  if (!dir.endsWith('/')) dir += '/';
  return dir;
}

}  // namespace

TTimeZoneState CaptureTimeZone() {
  tzset();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  TTimeZoneState tz;
  tz.BiasMinutes = static_cast<int32_t>(-local.tm_gmtoff / 60);
  if (local.tm_isdst > 0)
    tz.State = 2;
  else if (daylight)
    tz.State = 1;
  return tz;
}

const TTimeZoneState& StartupTimeZone() {
  return Values().time_zone;
}

QString ResolveInstallDir(const QSettings* machine, const QString& programDir) {
  QString dir;
  if (machine) {
    const QVariant v = machine->value("Install Directory");
    if (v.typeId() == QMetaType::QString) dir = v.toString();
  }
  if (dir.isEmpty()) dir = programDir;
  return WithSlash(dir);
}

uint8_t CurrencyDecimalsFrom(int value) {
  return (value >= 0 && value <= 3) ? static_cast<uint8_t>(value) : 2;
}

uint8_t ReadCurrencyDecimals(const std::string& installDir) {
  const TIniFile options(installDir + "Options.ini");
  return CurrencyDecimalsFrom(options.ReadInteger("Options", "CurrencyDecimals", 2));
}

uint8_t MoneyDecimals() {
  return money_decimals.load();
}
void SetMoneyDecimals(uint8_t decimals) {
  money_decimals.store(decimals);
}

const std::u16string& ConnectingText() {
  return Values().connecting;
}

void InitializeProcess() {
  auto& values = Values();
  InstallEngineHooks();
  InitProcs();  // this computer's name first: everything after may log it
  values.time_zone = CaptureTimeZone();

  const auto machine = MachineSettings();
  const QString programDir = QString::fromStdString(ProgramDir());
  SetInstallDir(ResolveInstallDir(machine.get(), programDir).toStdString());
  ErrorLog().SetFileName(LogFileFor(InstallDir()));

  SetLanguageSettingReader([] { return ReadLanguageSetting(*UserSettings()); });
  SetMoneyDecimals(ReadCurrencyDecimals(InstallDir()));
  // The first lookup also settles the language.
  values.connecting = GetLanguageText("tabQueue", "strConnecting", u"Connecting") + u"...";
  ReloadStatusNames();
}

}  // namespace ostrovel
