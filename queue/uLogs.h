// The error log: failures the program catches are appended to a text file,
// one line each, by a thread of its own so that callers never wait for it.
//
// A line reads "[DD.MM.YYYY<0xA0>hh:mm:ss.mmm] CODE CONTEXT Err:N; MESSAGE"
// and ends in CR LF; the byte 0xA0 (a no-break space) separates date and time.
// The file is opened and closed for every entry and never trimmed; any
// failure loses the entry and is reported nowhere.
//
// Threads: LogError, LogLine, SetFileName and Sync from any thread; the
// lines are written on the log's own thread in the order they were queued.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>

#include "ThreadPool.h"

namespace ostrovel {

class TThreadFileLog {
 public:
  explicit TThreadFileLog(std::string fileName);
  TThreadFileLog(const TThreadFileLog&) = delete;
  TThreadFileLog& operator=(const TThreadFileLog&) = delete;
  // Entries still queued are lost.
  ~TThreadFileLog() = default;

  // Queues one entry and returns at once; never fails.
  void LogLine(int32_t code, int32_t osError, std::string_view text) noexcept;

  void SetFileName(std::string fileName);
  std::string FileName() const;

  // Waits until every entry queued before the call has been written or lost.
  void Sync();

 private:
  void WriteRequest(TRequest& request, TSimpleThread& thread);
  void Done();

  mutable std::mutex mutex_;
  std::condition_variable done_changed_;
  std::string file_name_;
  uint64_t queued_ = 0;
  uint64_t done_ = 0;
  TThreadPool pool_;  // last: its thread uses the fields above
};

// One log line, CR LF included, for a local time with milliseconds.
std::string FormatLogLine(const std::tm& local, int millis, int32_t code, int32_t osError,
                          std::string_view text);

// The system's message text for an error code.
std::string SystemErrorText(int32_t osError);

// The process-wide log, created on first use and never destroyed. It writes
// below the program's folder (see LogFileFor) until start-up sets the file.
TThreadFileLog& ErrorLog() noexcept;

// Records a caught failure: a code (0 throughout this program), the
// operating-system error current at the call (errno), and a context text
// naming the routine. Never fails and never waits for the file.
void LogError(int32_t code, int32_t osError, std::string_view text) noexcept;

// Takes the spool analysis's internal diagnostics. Nothing asks for them at
// the level this program runs, so they are accepted and dropped.
void ReportDiagnostic(int32_t code, std::string_view text, uint8_t kind, uint8_t level) noexcept;

}  // namespace ostrovel
