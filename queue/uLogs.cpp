#include "uLogs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "uPaths.h"

namespace ostrovel {
namespace {

constexpr int32_t kWriteLine = 1;

// Byte text travels as wide text, one character per byte, so any bytes
// (UTF-8 printer names included) come back out unchanged.
std::u16string Widen(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) out += static_cast<char16_t>(b);
  return out;
}

std::string Narrow(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out += static_cast<char>(c < 0x100 ? c : '?');
  return out;
}

// Blanks of the padded fields become zeros.
void ZeroPad(char* s) {
  for (; *s; ++s)
    if (*s == ' ') *s = '0';
}

// glibc offers either strerror_r; this picks the result of whichever is declared.
[[maybe_unused]] const char* ErrorResult(int rc, const char* buf) {
  return rc == 0 ? buf : "";
}
[[maybe_unused]] const char* ErrorResult(const char* text, const char*) {
  return text;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string SystemErrorText(int32_t osError) {
  char buf[256] = {};
  return ErrorResult(strerror_r(osError, buf, sizeof buf), buf);
}

std::string FormatLogLine(const std::tm& local, int millis, int32_t code, int32_t osError,
                          std::string_view text) {
  char date[64];
  char time[64];
  std::snprintf(date, sizeof date, "%2d.%2d.%4d", local.tm_mday, local.tm_mon + 1,
                local.tm_year + 1900);
  std::snprintf(time, sizeof time, "%2d:%2d:%2d.%3d", local.tm_hour, local.tm_min, local.tm_sec,
                millis);
  ZeroPad(date);
  ZeroPad(time);
  std::string line = "[";
  line += date;
  line += '\xA0';
  line += time;
  line += "] ";
  line += std::to_string(code);
  line += ' ';
  line += text;
  line += " Err:";
  line += std::to_string(osError);
  line += "; ";
  line += SystemErrorText(osError);
  line += "\r\n";
  return line;
}

TThreadFileLog::TThreadFileLog(std::string fileName)
    : file_name_(std::move(fileName)),
      pool_(1, [this](TRequest& r, TSimpleThread& t) { WriteRequest(r, t); }) {}

void TThreadFileLog::LogLine(int32_t code, int32_t osError, std::string_view text) noexcept {
  try {
    auto request = std::make_unique<TRequest>();
    request->Kind = kWriteLine;
    request->Code = code;
    request->OsError = osError;
    request->Text = Widen(text);
    std::lock_guard<std::mutex> hold(mutex_);
    ++queued_;
    pool_.Add(std::move(request));
  } catch (...) {
    // Out of memory: the entry is lost, the caller goes on.
  }
}

void TThreadFileLog::SetFileName(std::string fileName) {
  std::lock_guard<std::mutex> hold(mutex_);
  file_name_ = std::move(fileName);
}

std::string TThreadFileLog::FileName() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return file_name_;
}

void TThreadFileLog::Sync() {
  std::unique_lock<std::mutex> hold(mutex_);
  const uint64_t target = queued_;
  done_changed_.wait(hold, [&] { return done_ >= target; });
}

void TThreadFileLog::Done() {
  std::lock_guard<std::mutex> hold(mutex_);
  ++done_;
  done_changed_.notify_all();
}

void TThreadFileLog::WriteRequest(TRequest& request, TSimpleThread&) {
  try {
    if (request.Kind == kWriteLine) {
      // The time of writing, not of the call.
      const auto now = std::chrono::system_clock::now();
      const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
      const auto millis =
          std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
      std::tm local{};
      localtime_r(&seconds, &local);
      const std::string line = FormatLogLine(local, static_cast<int>(millis.count()), request.Code,
                                             request.OsError, Narrow(request.Text));
      const std::filesystem::path file(FileName());
      std::error_code ec;
      std::filesystem::create_directories(file.parent_path(), ec);
      const int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
      if (fd >= 0) {
        WriteAll(fd, line);
        close(fd);
      }
    }
  } catch (...) {
    // The entry is lost; the log never writes about itself.
  }
  Done();
}

TThreadFileLog& ErrorLog() noexcept {
  // Never destroyed: watcher threads may still log while the process ends.
  static TThreadFileLog* const log = new TThreadFileLog(LogFileFor(ProgramDir()));
  return *log;
}

void LogError(int32_t code, int32_t osError, std::string_view text) noexcept {
  try {
    ErrorLog().LogLine(code, osError, text);
  } catch (...) {
  }
}

void ReportDiagnostic(int32_t, std::string_view, uint8_t, uint8_t) noexcept {}

}  // namespace ostrovel
