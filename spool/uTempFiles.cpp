#include "uTempFiles.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace ostrovel {

uint64_t TickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
}

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = dir && *dir ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string TempBaseName(std::u16string_view printer, uint32_t jobId) {
  std::string base = TempFolder();
  char hex[8];
  for (char16_t c : printer) {
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(c));
    base += hex;
  }
  return base + std::to_string(jobId);
}

int CreateTempFile(const std::string& base, bool deleteOnClose, std::string* name) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string candidate = base + std::to_string(TickCount()) + ".tmp";
    const int fd = open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) continue;
    if (deleteOnClose) unlink(candidate.c_str());
    if (name) *name = candidate;
    return fd;
  }
  if (name) name->clear();
  return -1;
}

}  // namespace ostrovel
