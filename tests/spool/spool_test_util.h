// Helpers for the spool tests: spool data written to unlinked temporary
// files, as the capture step leaves them.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "uSPL.h"
#include "uStreams.h"

namespace ostrovel::test {

// A descriptor of an unlinked temporary file holding bytes, positioned at 0.
inline int TempFd(std::string_view bytes) {
  char name[] = "/tmp/ostrovel-test-XXXXXX";
  const int fd = mkstemp(name);
  unlink(name);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  lseek(fd, 0, SEEK_SET);
  return fd;
}

inline std::unique_ptr<TSpl> SplOf(std::string_view bytes) {
  return std::make_unique<TSpl>(TempFd(bytes));
}

// Bytes from a string literal that may hold NULs: Bytes("a\0b", 3) or with _b.
inline std::string operator""_b(const char* s, size_t n) { return std::string(s, n); }

inline std::string LE16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
inline std::string LE32(uint32_t v) {
  return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}
inline std::string BE32(uint32_t v) {
  return std::string{char(v >> 24), char((v >> 16) & 0xFF), char((v >> 8) & 0xFF), char(v & 0xFF)};
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string DataFile(const std::string& name) { return std::string(OSTROVEL_TEST_DATA) + "/" + name; }

}  // namespace ostrovel::test
