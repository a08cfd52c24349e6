// Status, size and quality texts, names and times.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "uHooks.h"
#include "uProcs.h"
#include "uText.h"

namespace ostrovel {
namespace {

std::string U(const std::u16string& s) {
  return WideToUtf8(s);
}

TEST(ProcsText, JobStatusJoinsTheNamesOfTheSetBits) {
  ResetStatusNames();
  struct Case {
    uint32_t status;
    const char* text;
  } cases[] = {
      {0x11, "Paused - Printing"},
      {0x2001, "Paused"},  // bits above the table add nothing
      {0, ""},
      {0x40, "Out Of Paper"},  // before any language is loaded
      {0x1FFF,
       "Paused - Error - Deleting - Spooling - Printing - Offline - Out Of Paper - Printed - "
       "Deleted - Blocked Device - Intervention Required - Restarting - Sent To Printer"},
  };
  for (const auto& c : cases) EXPECT_EQ(U(JobStatusText(c.status)), c.text) << c.status;
  ReloadStatusNames();
  EXPECT_EQ(U(JobStatusText(0x1040)), "Out of Paper - Sent to Printer");
}

TEST(ProcsText, PrinterStatusInTableOrderWithOfflineOnce) {
  ResetStatusNames();
  struct Case {
    int64_t status;
    bool offline;
    const char* text;
  } cases[] = {
      {0, false, " "},
      {0, true, "Offline"},
      {0x81, true, "Paused - Offline"},
      {0x11, false, "Paused - Paper Out"},
      {0x408, false, "Paper Jam - Printing"},
      {0x80, false, "Offline"},
      {0x2000000, false, " "},  // not in the table
      {-1, false, "Opening"},
      {-2, false, "Connection error"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(U(PrinterStatusText(c.status, c.offline)), c.text) << c.status;
}

std::u16string Translate(std::u16string_view section, std::u16string_view key,
                         std::u16string_view fallback) {
  if (section == u"tabQueue" && key == u"prnPaused") return u"En pause";
  if (section == u"Global" && key == u"strOpening") return u"Ouverture";
  return std::u16string(fallback);
}

TEST(ProcsText, LanguageTextsReplaceTheNamesOnReload) {
  SetLanguageTextHook(&Translate);
  ReloadStatusNames();
  EXPECT_EQ(U(PrinterStatusText(0x401, false)), "En pause - Printing");
  EXPECT_EQ(U(PrinterStatusText(-1, false)), "Ouverture");
  SetLanguageTextHook(nullptr);
  ReloadStatusNames();
  EXPECT_EQ(U(PrinterStatusText(0x1, false)), "Paused");
}

TEST(ProcsText, SizeTextCutsToTwoDecimals) {
  struct Case {
    uint64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 KB"},          {500, "0.48 KB"},      {998, "0.97 KB"},
      {999, "0.97 KB"},     {1536, "1.5 KB"},      {1000000, "976.56 KB"},
      {1023000, "0.97 MB"}, {1048576, "1 MB"},     {1023 * 1024, "0.99 MB"},
      {5ull << 40, "5 TB"}, {UINT64_MAX, "16 EB"},
  };
  for (const auto& c : cases) EXPECT_EQ(U(SizeText(c.bytes)), c.text) << c.bytes;
}

TEST(ProcsText, QualityText) {
  auto q = [](int v) { return U(QualityText(v, u"High", u"Medium", u"Low", u"Draft")); };
  EXPECT_EQ(q(600), "600 x 600 DPI");
  EXPECT_EQ(q(-4), "High");
  EXPECT_EQ(q(-3), "Medium");
  EXPECT_EQ(q(-2), "Low");
  for (int v : {-1, 0, -5}) EXPECT_EQ(q(v), "Draft") << v;
}

TEST(ProcsNames, ShortNameAndServerPrefix) {
  struct Case {
    const char16_t* name;
    const char* shortName;
    const char* prefix;
  } cases[] = {
      {u"\\\\srv\\p", "p", "\\\\srv\\"},
      {u"p", "p", ""},
      {u"\\\\srv", "srv", "\\\\srv\\"},
      {u"\\\\srv\\p\\q", "p\\q", "\\\\srv\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(U(ShortPrinterName(c.name)), c.shortName);
    EXPECT_EQ(U(ServerPrefix(c.name)), c.prefix);
  }
}

TEST(ProcsNames, DirectoryPathEndsAtTheLastSlash) {
  EXPECT_EQ(U(DirectoryPathOf(u"example.org/Staff/Anna Berg")), "example.org/Staff/");
  EXPECT_EQ(U(DirectoryPathOf(u"Anna")), "Anna");
}

TEST(ProcsNames, UserInfoFromTheUserDatabase) {
  const TUserInfo root = LookupUserInfo(u"root");
  EXPECT_EQ(U(root.FullName), "root");
  EXPECT_TRUE(root.DirectoryPath.empty());
  const TUserInfo none = LookupUserInfo(u"no-such-user-here");
  EXPECT_TRUE(none.FullName.empty() && none.Comment.empty());
}

TEST(ProcsNames, ResolveHostNameGivesTheShortNameOrTheInput) {
  EXPECT_EQ(U(ResolveHostName(u"localhost")), "localhost");
  EXPECT_EQ(U(ResolveHostName(u"127.0.0.1")), "localhost");
  EXPECT_EQ(U(ResolveHostName(u"")), "");
}

int resolved = 0;
std::u16string CountingResolver(std::u16string_view name) {
  ++resolved;
  if (name == u"10.0.0.7") return u"printhost";
  if (name == u"long") return u"a-very-long-host-name-indeed";
  return std::u16string(name);
}

TEST(ProcsNames, ComputerNamesAreCachedAndTheOldestEvicted) {
  SetHostResolver(&CountingResolver);
  resolved = 0;
  EXPECT_EQ(U(LookupComputerName(u"\\\\10.0.0.7")), "printhost");
  EXPECT_EQ(U(LookupComputerName(u"\\\\10.0.0.7")), "printhost");
  EXPECT_EQ(resolved, 1);
  EXPECT_EQ(U(LookupComputerName(u"long")), "a-very-long-host-nam");  // 20 characters
  for (int i = 0; i < 249; ++i) LookupComputerName(Utf8ToWide("host" + std::to_string(i)));
  EXPECT_EQ(resolved, 251);  // 251 keys: the first is gone
  LookupComputerName(u"\\\\10.0.0.7");
  EXPECT_EQ(resolved, 252);
  LookupComputerName(u"host248");  // still cached
  EXPECT_EQ(resolved, 252);
  SetHostResolver(nullptr);
}

TEST(ProcsNames, AppDataFolderIsCreated) {
  char dir[] = "/tmp/ostrovel-home-XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  setenv("XDG_DATA_HOME", dir, 1);
  const auto folder = AppDataFolder();
  unsetenv("XDG_DATA_HOME");
  ASSERT_TRUE(folder);
  EXPECT_EQ(*folder, std::string(dir) + "/Ostrovel/");
  EXPECT_EQ(rmdir(folder->c_str()), 0);
  rmdir(dir);
}

TEST(ProcsSmall, CompareAndPaperDimensions) {
  EXPECT_EQ(CompareNumbers(1, 2), -1);
  EXPECT_EQ(CompareNumbers(2, 2), 0);
  EXPECT_EQ(CompareNumbers(3, 2), 1);
  TSystemTime a{2024, 5, 0, 1, 10, 0, 0, 0}, b = a;
  b.Milliseconds = 1;
  EXPECT_EQ(CompareSystemTimes(a, b), -1);
  EXPECT_EQ(CompareSystemTimes(b, a), 1);
  EXPECT_EQ(CompareSystemTimes(a, a), 0);
  TDevModeW dm{};
  dm.dmPaperWidth = static_cast<int16_t>(-30000);  // 35536 as unsigned
  dm.dmPaperLength = 2970;
  EXPECT_EQ(PaperDimensions(dm).Width, 35536);
  EXPECT_EQ(PaperDimensions(dm).Length, 2970);
}

// Sets the zone for one test and puts the old one back.
class ProcsTime : public ::testing::Test {
 protected:
  void Zone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }
  void TearDown() override {
    if (old_)
      setenv("TZ", old_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
    SetDaylightAtStart(false);
  }
  std::optional<std::string> old_ =
      std::getenv("TZ") ? std::optional<std::string>(std::getenv("TZ")) : std::nullopt;
};

TEST_F(ProcsTime, SystemTimeValueCountsDaysFrom1899) {
  EXPECT_DOUBLE_EQ(SystemTimeValue({1899, 12, 0, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(SystemTimeValue({1900, 1, 0, 1, 12, 0, 0, 0}), 2.5);
  EXPECT_DOUBLE_EQ(SystemTimeValue({2024, 2, 0, 29, 6, 0, 0, 0}), 45351.25);
  EXPECT_DOUBLE_EQ(SystemTimeValue({2023, 2, 0, 29, 6, 0, 0, 0}), 0.0);  // no such day
  EXPECT_DOUBLE_EQ(SystemTimeValue({2024, 1, 0, 1, 24, 0, 0, 0}), 0.0);
}

TEST_F(ProcsTime, UtcToLocalUsesThePresentOffset) {
  Zone("EST5");
  const TSystemTime local = UtcToLocalSystemTime({2024, 3, 5, 1, 2, 30, 0, 0});
  EXPECT_EQ(local.Day, 29);  // over the leap day
  EXPECT_EQ(local.Month, 2);
  EXPECT_EQ(local.Hour, 21);
  EXPECT_EQ(local.Minute, 30);
  EXPECT_EQ(local.DayOfWeek, 4);  // a Thursday
  // 1 January 2024 00:00 UTC as a file time.
  const TFileTime ft = 133485408000000000ull;
  EXPECT_DOUBLE_EQ(FileTimeToLocalValue(ft), SystemTimeValue({2023, 12, 0, 31, 19, 0, 0, 0}));
  EXPECT_DOUBLE_EQ(FileTimeToLocalValue(UINT64_MAX), 0.0);
}

TEST_F(ProcsTime, TimeOfDayRoundTripsAndTheDaylightStep) {
  Zone("EST5");
  const TDateTimeValue nine = 9.0 / 24;  // 09:00 UTC
  const TDateTimeValue local = UtcToLocalTimeOfDay(nine);
  EXPECT_NEAR(local - std::floor(local), 4.0 / 24, 1e-9);
  EXPECT_NEAR(LocalToUtcTimeOfDay(local, true), nine, 1e-9);

  SetDaylightAtStart(true);  // one hour back on the way in, forward on the way out
  const TDateTimeValue shifted = UtcToLocalTimeOfDay(nine);
  EXPECT_NEAR(shifted - std::floor(shifted), 3.0 / 24, 1e-9);
  EXPECT_NEAR(LocalToUtcTimeOfDay(shifted, true), nine, 1e-9);
  EXPECT_NEAR(LocalToUtcTimeOfDay(shifted, false), 8.0 / 24, 1e-9);
  Zone("UTC");
  const TDateTimeValue midnight = UtcToLocalTimeOfDay(0.0);
  EXPECT_NEAR(midnight, 23.0 / 24, 1e-9);  // 0 becomes 23, the date stays
  EXPECT_NEAR(LocalToUtcTimeOfDay(23.0 / 24, true), 0.0, 1e-9);
}

}  // namespace
}  // namespace ostrovel
