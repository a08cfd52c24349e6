// A cupsd of the test's own: configuration, spool and logs under a fresh
// temporary folder, listening on a free loopback port and a domain socket.
// It never touches the machine's own scheduler. CUPS_SERVER points at it
// while it runs, so the CUPS command-line tools talk to it too.
//
// Threads: the test's main thread. Stop (or the destructor) ends cupsd and
// removes the folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace ostrovel::test {

class TPrivateCupsd {
 public:
  TPrivateCupsd() = default;
  ~TPrivateCupsd() { Stop(); }
  TPrivateCupsd(const TPrivateCupsd&) = delete;
  TPrivateCupsd& operator=(const TPrivateCupsd&) = delete;

  // Starts cupsd and waits (at most 10 s) until it answers; false with
  // Error() set when it could not. extra: more cupsd.conf lines.
  bool Start(const std::string& extra = {});
  void Stop();

  const std::string& Socket() const { return socket_; }
  int Port() const { return port_; }  // loopback TCP
  const std::string& Error() const { return error_; }

  // Runs a CUPS tool (lp, lpadmin, ...) against this cupsd; its output, or
  // nothing when it failed.
  bool Run(const std::vector<std::string>& args, std::string* output = nullptr);

 private:
  std::string root_;
  std::string socket_;
  std::string error_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace ostrovel::test
