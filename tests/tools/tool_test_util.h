// Running a command-line tool from a test.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace ostrovel::test {

struct TRun {
  int status;  // exit code, -1 when the tool did not exit normally
  std::string out;  // stdout and stderr together
};

inline TRun RunCommand(const std::string& command) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace ostrovel::test
