// Time conversions. The local time is this moment's offset from UTC, the
// same for every date, as the spooler's own conversions do.
#include <atomic>
#include <cmath>
#include <ctime>

#include "uProcs.h"

namespace ostrovel {

namespace {

std::atomic<bool> daylightAtStart{false};

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kTicksPerMs = 10000;
// Days from 1 January 1601 to 30 December 1899.
constexpr int64_t kDays1601To1899 = 109205;

// Days since 1 January 1970 of a civil date (any year 1..9999).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr int64_t kDays1970From1899 = 25569;
constexpr int64_t kDays1970From1601 = kDays1601To1899 + kDays1970From1899;

bool ValidDate(const TSystemTime& t) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.Year < 1 || t.Year > 9999 || t.Month < 1 || t.Month > 12 || t.Day < 1) return false;
  const bool leap = (t.Year % 4 == 0 && t.Year % 100 != 0) || t.Year % 400 == 0;
  return t.Day <= kDays[t.Month - 1] + (t.Month == 2 && leap);
}

bool ValidTime(const TSystemTime& t) {
  return t.Hour < 24 && t.Minute < 60 && t.Second < 60 && t.Milliseconds < 1000;
}

// File time of a system time; false when the time cannot be one.
bool ToFileTime(const TSystemTime& t, TFileTime& ft) {
  if (!ValidDate(t) || !ValidTime(t) || t.Year < 1601) return false;
  const int64_t days = DaysFromCivil(t.Year, t.Month, t.Day) + kDays1970From1601;
  const int64_t seconds = days * 86400 + t.Hour * 3600 + t.Minute * 60 + t.Second;
  ft = static_cast<TFileTime>(seconds * kTicksPerSecond + t.Milliseconds * kTicksPerMs);
  return true;
}

bool ToSystemTime(TFileTime ft, TSystemTime& t) {
  if (ft > static_cast<TFileTime>(INT64_MAX)) return false;
  const int64_t ms = static_cast<int64_t>(ft) / kTicksPerMs;
  const int64_t days = ms / 86400000;
  int64_t rest = ms % 86400000;
  int y;
  unsigned m, d;
  CivilFromDays(days - kDays1970From1601, y, m, d);
  if (y > 30827) return false;
  t.Year = static_cast<uint16_t>(y);
  t.Month = static_cast<uint16_t>(m);
  t.Day = static_cast<uint16_t>(d);
  t.DayOfWeek = static_cast<uint16_t>((days + 1) % 7);  // 1 January 1601 was a Monday
  t.Hour = static_cast<uint16_t>(rest / 3600000);
  rest %= 3600000;
  t.Minute = static_cast<uint16_t>(rest / 60000);
  rest %= 60000;
  t.Second = static_cast<uint16_t>(rest / 1000);
  t.Milliseconds = static_cast<uint16_t>(rest % 1000);
  return true;
}

// This moment's offset of local time from UTC, in file-time ticks.
int64_t LocalBias() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return static_cast<int64_t>(local.tm_gmtoff) * kTicksPerSecond;
}

bool Shift(TFileTime& ft, int64_t ticks) {
  const int64_t v = static_cast<int64_t>(ft) + ticks;
  if (v < 0) return false;
  ft = static_cast<TFileTime>(v);
  return true;
}

// A date-time value as a system time (whole milliseconds).
bool FromValue(TDateTimeValue v, TSystemTime& t) {
  if (!std::isfinite(v) || v < -693593 || v > 2958466) return false;
  int64_t days = static_cast<int64_t>(std::trunc(v));
  double fraction = std::fabs(v - static_cast<double>(days));
  int64_t ms = std::llround(fraction * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    days += v < 0 ? -1 : 1;
  }
  int y;
  unsigned m, d;
  CivilFromDays(days - kDays1970From1899, y, m, d);
  t.Year = static_cast<uint16_t>(y);
  t.Month = static_cast<uint16_t>(m);
  t.Day = static_cast<uint16_t>(d);
  t.DayOfWeek = static_cast<uint16_t>(((days - kDays1970From1899) % 7 + 11) % 7);
  t.Hour = static_cast<uint16_t>(ms / 3600000);
  t.Minute = static_cast<uint16_t>(ms / 60000 % 60);
  t.Second = static_cast<uint16_t>(ms / 1000 % 60);
  t.Milliseconds = static_cast<uint16_t>(ms % 1000);
  return true;
}

}  // namespace

bool DaylightAtStart() {
  return daylightAtStart;
}
void SetDaylightAtStart(bool daylight) {
  daylightAtStart = daylight;
}

TDateTimeValue SystemTimeValue(const TSystemTime& t) {
  if (!ValidDate(t) || !ValidTime(t)) return 0;
  const double date =
      static_cast<double>(DaysFromCivil(t.Year, t.Month, t.Day) + kDays1970From1899);
  const double time =
      (t.Hour * 3600000.0 + t.Minute * 60000.0 + t.Second * 1000.0 + t.Milliseconds) / 86400000.0;
  // Before the epoch the fraction still counts forward from the day.
  return date < 0 ? date - time : date + time;
}

TDateTimeValue FileTimeToLocalValue(TFileTime ft) {
  TSystemTime t;
  if (!Shift(ft, LocalBias()) || !ToSystemTime(ft, t)) return 0;
  return SystemTimeValue(t);
}

TSystemTime UtcToLocalSystemTime(const TSystemTime& utc) {
  TFileTime ft;
  TSystemTime local = utc;
  if (ToFileTime(utc, ft) && Shift(ft, LocalBias())) ToSystemTime(ft, local);
  return local;
}

TDateTimeValue UtcToLocalTimeOfDay(TDateTimeValue value) {
  TSystemTime t;
  TFileTime ft;
  if (!FromValue(value, t) || !ToFileTime(t, ft) || !Shift(ft, LocalBias()) || !ToSystemTime(ft, t))
    return value;
  if (DaylightAtStart()) t.Hour = t.Hour == 0 ? 23 : t.Hour - 1;
  return SystemTimeValue(t);
}

TDateTimeValue LocalToUtcTimeOfDay(TDateTimeValue value, bool adjust) {
  TSystemTime t;
  TFileTime ft;
  if (!FromValue(value, t) || !ToFileTime(t, ft) || !Shift(ft, -LocalBias()) ||
      !ToSystemTime(ft, t))
    return value;
  if (adjust && DaylightAtStart()) t.Hour = t.Hour == 23 ? 0 : t.Hour + 1;
  return SystemTimeValue(t);
}

int CompareNumbers(int64_t a, int64_t b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

int CompareSystemTimes(const TSystemTime& a, const TSystemTime& b) {
  const TDateTimeValue x = SystemTimeValue(a), y = SystemTimeValue(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace ostrovel
