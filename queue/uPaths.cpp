#include "uPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <system_error>
#include <vector>

namespace ostrovel {
namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string HomeDir() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "/tmp";
}

bool Writable(const std::string& path) {
  return access(path.c_str(), W_OK | X_OK) == 0;
}

bool Exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

struct TInstallDir {
  std::mutex mutex;
  std::string dir = ProgramDir();
};

TInstallDir& InstallDirState() {
  static TInstallDir state;
  return state;
}

}  // namespace

std::string InstallDir() {
  auto& state = InstallDirState();
  std::lock_guard<std::mutex> hold(state.mutex);
  return state.dir;
}

void SetInstallDir(std::string dir) {
  auto& state = InstallDirState();
  std::lock_guard<std::mutex> hold(state.mutex);
  state.dir = WithSlash(std::move(dir));
}

std::string ProgramDir() {
  std::vector<char> buf(4096);
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  std::string path(buf.data(), static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string UserDataDir() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  // Relative values are invalid by the base-directory rules and are ignored.
  const std::string base = (xdg && xdg[0] == '/') ? xdg : HomeDir() + "/.local/share";
  return WithSlash(base) + "Ostrovel/";
}

std::string LogFileFor(const std::string& installDir) {
  const std::string dir = WithSlash(installDir.empty() ? ProgramDir() : installDir);
  const std::string logs = dir + "Logs";
  // Only the folders decide: a read-only Errors.log in a writable folder
  // still belongs to this installation, and its entries are dropped.
  const bool usable = Exists(logs) ? Writable(logs) : Writable(dir);
  return (usable ? dir : UserDataDir()) + "Logs/Errors.log";
}

}  // namespace ostrovel
