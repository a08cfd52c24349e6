#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <regex>
#include <thread>
#include <vector>

#include "queue_test_util.h"
#include "uLogs.h"
#include "uPaths.h"

namespace ostrovel {
namespace {

using test::ReadAll;
using test::TTempDir;

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

TEST(LogLine, BytesOfALine) {
  struct Case {
    std::tm when;
    int millis;
    int32_t code;
    int32_t os_error;
    const char* text;
    std::string expected_up_to_message;
  } cases[] = {
      {LocalTime(2013, 3, 9, 14, 5, 7), 42, 0, 5, "uQueue.EnumQueue",
       "[09.03.2013\xA0"
       "14:05:07.042] 0 uQueue.EnumQueue Err:5; "},
      {LocalTime(2024, 12, 31, 23, 59, 58), 999, 0, 0, "tvQueue OnChange",
       "[31.12.2024\xA0"
       "23:59:58.999] 0 tvQueue OnChange Err:0; "},
      {LocalTime(1, 1, 1, 0, 0, 0), 0, -7, -1, "uQueue.AddJob 12 3",
       "[01.01.0001\xA0"
       "00:00:00.000] -7 uQueue.AddJob 12 3 Err:-1; "},
      // Context bytes pass through as they are: a UTF-8 printer name, a blank at the end.
      {LocalTime(2013, 3, 4, 9, 8, 7), 6, 0, 2, "uQueue.UpdateQueue Drucker \xC3\xBC ",
       "[04.03.2013\xA0"
       "09:08:07.006] 0 uQueue.UpdateQueue Drucker \xC3\xBC  Err:2; "},
  };
  for (const auto& c : cases) {
    const std::string line = FormatLogLine(c.when, c.millis, c.code, c.os_error, c.text);
    EXPECT_EQ(line, c.expected_up_to_message + SystemErrorText(c.os_error) + "\r\n") << c.text;
  }
  EXPECT_EQ(SystemErrorText(ENOENT), std::strerror(ENOENT));
  EXPECT_FALSE(SystemErrorText(0).empty());
}

// "[dd.mm.yyyy<A0>hh:mm:ss.mmm] " at the start of a written line.
const std::regex kStamp("\\[\\d\\d\\.\\d\\d\\.\\d{4}\xA0\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] ");

TEST(FileLog, FirstEntryCreatesFolderAndFileLaterEntriesAppend) {
  TTempDir tmp;
  const std::string file = tmp.Dir() + "install/Logs/Errors.log";
  TThreadFileLog log(file);
  log.LogLine(0, 5, "uQueue.EnumQueue");
  log.Sync();
  log.LogLine(0, 0, "uQueue.FreeJobs");
  log.Sync();

  const std::string text = ReadAll(file);
  const size_t split = text.find("\r\n") + 2;
  const std::string first = text.substr(0, split);
  const std::string second = text.substr(split);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(first, m, kStamp, std::regex_constants::match_continuous));
  EXPECT_EQ(first.substr(m.length()), "0 uQueue.EnumQueue Err:5; " + SystemErrorText(5) + "\r\n");
  ASSERT_TRUE(std::regex_search(second, m, kStamp, std::regex_constants::match_continuous));
  EXPECT_EQ(second.substr(m.length()), "0 uQueue.FreeJobs Err:0; " + SystemErrorText(0) + "\r\n");
}

TEST(FileLog, UnwritableLogLosesEntriesSilently) {
  TTempDir tmp;
  // Each of these defeats the write even for root.
  test::WriteAll(tmp.Dir() + "file", "x");
  std::filesystem::create_directories(tmp.Dir() + "dir/Errors.log");
  for (const std::string& file :
       {tmp.Dir() + "file/Logs/Errors.log", tmp.Dir() + "dir/Errors.log"}) {
    TThreadFileLog log(file);
    log.LogLine(0, 13, "LoadSettings");
    log.Sync();
    log.SetFileName(tmp.Dir() + "ok.log");  // the log goes on working afterwards
    log.LogLine(0, 0, "after");
    log.Sync();
  }
  EXPECT_EQ(ReadAll(tmp.Dir() + "file"), "x");
  const std::string ok = ReadAll(tmp.Dir() + "ok.log");
  EXPECT_EQ(ok.find("LoadSettings"), std::string::npos);
  EXPECT_NE(ok.find("after"), std::string::npos);
}

TEST(FileLog, ReadOnlyFileIsLeftAlone) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  TTempDir tmp;
  const std::string file = tmp.Dir() + "Errors.log";
  test::WriteAll(file, "old\r\n");
  chmod(file.c_str(), 0444);
  TThreadFileLog log(file);
  log.LogLine(0, 5, "uQueue.EnumQueue");
  log.Sync();
  EXPECT_EQ(ReadAll(file), "old\r\n");
}

TEST(FileLog, LinesFromManyThreadsStayWholeAndInOrder) {
  TTempDir tmp;
  const std::string file = tmp.Dir() + "Logs/Errors.log";
  TThreadFileLog log(file);
  constexpr int kThreads = 4;
  constexpr int kLines = 50;
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        for (int i = 0; i < kLines; ++i)
          log.LogLine(0, 0, "thread" + std::to_string(t) + " line" + std::to_string(i));
      });
  }
  log.Sync();
  std::istringstream in(ReadAll(file));
  std::vector<int> next(kThreads, 0);
  std::string line;
  int count = 0;
  const std::regex whole("\\[.*\\] 0 thread(\\d) line(\\d+) Err:0; .*\r");
  while (std::getline(in, line)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, whole)) << line;
    const int t = std::stoi(m[1]);
    EXPECT_EQ(std::stoi(m[2]), next[t]++);  // each thread's lines in call order
    ++count;
  }
  EXPECT_EQ(count, kThreads * kLines);
}

TEST(FileLog, ProcessLogAndDiagnostics) {
  TTempDir tmp;
  const std::string file = tmp.Dir() + "Logs/Errors.log";
  const std::string before = ErrorLog().FileName();
  ErrorLog().SetFileName(file);
  ReportDiagnostic(3, "EMF record out of range", 1, 0);
  ReportDiagnostic(3, "EMF record out of range", 255, 0);
  errno = ENOENT;
  LogError(0, errno, "GetPrinters");
  ErrorLog().Sync();
  ErrorLog().SetFileName(before);
  const std::string text = ReadAll(file);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);  // diagnostics wrote nothing
  EXPECT_NE(text.find("] 0 GetPrinters Err:2; "), std::string::npos);
}

TEST(LogPaths, LogFollowsWritableFoldersOnly) {
  TTempDir tmp;
  const std::string install = tmp.Dir() + "install/";
  std::filesystem::create_directories(install);
  EXPECT_EQ(LogFileFor(install), install + "Logs/Errors.log");
  EXPECT_EQ(LogFileFor(tmp.Dir() + "install"), install + "Logs/Errors.log");  // slash added
  // A folder that cannot even exist: the per-user data folder takes the log.
  test::WriteAll(tmp.Dir() + "plain", "");
  EXPECT_EQ(LogFileFor(tmp.Dir() + "plain/sub/"), UserDataDir() + "Logs/Errors.log");
  if (geteuid() != 0) {
    std::filesystem::create_directories(tmp.Dir() + "ro");
    chmod((tmp.Dir() + "ro").c_str(), 0555);
    EXPECT_EQ(LogFileFor(tmp.Dir() + "ro/"), UserDataDir() + "Logs/Errors.log");
  }
}

TEST(LogPaths, UserDataDirFollowsXdg) {
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string keep = saved ? saved : "";
  setenv("XDG_DATA_HOME", "/srv/data", 1);
  EXPECT_EQ(UserDataDir(), "/srv/data/Ostrovel/");
  setenv("XDG_DATA_HOME", "relative", 1);  // ignored, as relative values must be
  EXPECT_EQ(UserDataDir(), std::string(std::getenv("HOME")) + "/.local/share/Ostrovel/");
  if (saved)
    setenv("XDG_DATA_HOME", keep.c_str(), 1);
  else
    unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(ProgramDir().back(), '/');
}

}  // namespace
}  // namespace ostrovel
