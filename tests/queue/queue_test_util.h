// Helpers shared by the queue library's tests.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <thread>

namespace ostrovel::test {

// Polls until pred holds or ten seconds pass; for states another thread
// reaches only by blocking (a thread parked on a lock cannot signal).
template <class Pred>
bool WaitUntil(Pred pred) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace ostrovel::test

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ostrovel::test {

// A fresh folder under the temporary folder, removed with everything in it.
class TTempDir {
 public:
  TTempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "ostrovel-test-XXXXXX").string();
    path_ = mkdtemp(tmpl.data()) ? tmpl : std::string();
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  // The folder with a trailing "/".
  std::string Dir() const { return path_ + "/"; }

 private:
  std::string path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace ostrovel::test
