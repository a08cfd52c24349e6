#include "private_cupsd.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

namespace ostrovel::test {

namespace {

using namespace std::chrono_literals;

int FreeLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

bool Answers(const std::string& path) {
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  if (path.size() >= sizeof a.sun_path) return false;
  path.copy(a.sun_path, path.size());
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

// Starts argv with stdin from /dev/null and stdout and stderr into out (a
// file path).
pid_t Spawn(const std::vector<std::string>& args, const std::string& out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits at most limit for pid to end; its exit status, or -1.
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    if (r < 0 || std::chrono::steady_clock::now() > end) return -1;
    std::this_thread::sleep_for(10ms);
  }
}

}  // namespace

bool TPrivateCupsd::Start(const std::string& extra) {
  char dir[] = "/tmp/ostrovel-cupsd-XXXXXX";
  if (!mkdtemp(dir)) {
    error_ = "no temporary folder";
    return false;
  }
  root_ = dir;
  chmod(dir, 0755);  // filters run as lp and must reach the spool
  for (const char* sub : {"/etc", "/spool", "/spool/tmp", "/run", "/cache", "/log"})
    mkdir((root_ + sub).c_str(), 0755);
  socket_ = root_ + "/cups.sock";
  const int port = port_ = FreeLoopbackPort();
  {
    std::ofstream files(root_ + "/etc/cups-files.conf");
    files << "ServerRoot " << root_ << "/etc\nRequestRoot " << root_ << "/spool\nTempDir " << root_
          << "/spool/tmp\nStateDir " << root_ << "/run\nCacheDir " << root_ << "/cache\nAccessLog "
          << root_ << "/log/access_log\nErrorLog " << root_ << "/log/error_log\nPageLog " << root_
          << "/log/page_log\nFileDevice Yes\nSystemGroup root\n";
    std::ofstream conf(root_ + "/etc/cupsd.conf");
    conf << "Listen 127.0.0.1:" << port << "\nListen " << socket_
         << "\nLogLevel warn\nBrowsing No\nWebInterface No\nPreserveJobFiles Yes\n"
            "PreserveJobHistory Yes\n<Location />\n  Order allow,deny\n  Allow from "
            "127.0.0.1\n</Location>\n"
         << extra;
  }
  pid_ =
      Spawn({"cupsd", "-f", "-c", root_ + "/etc/cupsd.conf", "-s", root_ + "/etc/cups-files.conf"},
            root_ + "/log/cupsd.out");
  if (pid_ < 0) {
    error_ = "cupsd could not be started (is cups-daemon installed?)";
    return false;
  }
  setenv("CUPS_SERVER", socket_.c_str(), 1);
  for (int i = 0; i < 500; ++i) {
    if (Answers(socket_)) return true;
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      std::ifstream log(root_ + "/log/cupsd.out");
      error_ = "cupsd ended at once: " + std::string(std::istreambuf_iterator<char>(log), {});
      return false;
    }
    std::this_thread::sleep_for(20ms);
  }
  error_ = "cupsd did not answer within 10 s";
  return false;
}

void TPrivateCupsd::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    if (WaitFor(pid_, 5000ms) < 0) {
      kill(pid_, SIGKILL);
      WaitFor(pid_, 2000ms);
    }
    pid_ = -1;
  }
  if (!root_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    root_.clear();
  }
}

bool TPrivateCupsd::Run(const std::vector<std::string>& args, std::string* output) {
  const std::string out = root_ + "/log/tool.out";
  const pid_t pid = Spawn(args, out);
  if (pid < 0) return false;
  const int status = WaitFor(pid, 10000ms);
  if (status < 0) kill(pid, SIGKILL), WaitFor(pid, 1000ms);
  if (output) {
    std::ifstream f(out);
    output->assign(std::istreambuf_iterator<char>(f), {});
  }
  return status == 0;
}

}  // namespace ostrovel::test
