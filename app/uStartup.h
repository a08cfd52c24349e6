// Process-wide values set once before the window exists, and the start-up
// sequence that sets them in order.
//
// Threads: InitializeProcess runs on the main thread before any other thread
// starts; the values are read-only afterwards except the money decimals,
// which are atomic.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

class QSettings;

namespace ostrovel {

// Where the settings live; the per-user ones below "Interface".
inline constexpr const char* kRegistryBase = "\\Software\\Korvane\\Ostrovel";
inline constexpr const char* kOrganization = "Korvane";
inline constexpr const char* kApplication = "Ostrovel";

// The product's full title; also names the single-instance socket.
inline constexpr const char* kInstanceName = "Ostrovel Desktop";
inline constexpr const char* kVersionText = "5.50";
inline constexpr const char* kReleaseDateText = "04 March 2013";

// The host name as the other computers of a network know it: up to the
// first dot, upper-cased, at most 15 characters (a NetBIOS name).

// The time-zone state taken once at start; State follows the Windows values
// (0 no daylight time in this zone, 1 standard time now, 2 daylight time now).
struct TTimeZoneState {
  int State = 0;
  int32_t BiasMinutes = 0;  // UTC minus local time, daylight time included
};
TTimeZoneState CaptureTimeZone();
const TTimeZoneState& StartupTimeZone();

// The installation folder from the per-machine "Install Directory" value,
// else the program's folder; always with a trailing "/". A value of another
// type than text counts as absent.
QString ResolveInstallDir(const QSettings* machine, const QString& programDir);

// Decimals for money amounts: 0 to 3 as they are, anything else 2.
uint8_t CurrencyDecimalsFrom(int value);
// [Options] CurrencyDecimals of InstallDir + "Options.ini" by that rule.
uint8_t ReadCurrencyDecimals(const std::string& installDir);
uint8_t MoneyDecimals();
void SetMoneyDecimals(uint8_t decimals);

// The placeholder shown under folder nodes still loading ("Connecting...").
const std::u16string& ConnectingText();

// Runs the start-up steps in order: computer name, constants and time zone,
// installation folder and the error log's file, the language setting, money
// decimals, and the first language lookup. Safe to call once only.
void InitializeProcess();

}  // namespace ostrovel
