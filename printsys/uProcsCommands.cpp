// The printer user-interface command lines and what they do here.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "uProcs.h"
#include "uText.h"

extern char** environ;

namespace ostrovel {

namespace {

constexpr std::u16string_view kPrintUi = u"rundll32.exe printui.dll,PrintUIEntry ";

std::mutex runnerLock;
TCommandRunner runner;  // guarded by runnerLock; empty: RunHere

// Starts argv (stdin from /dev/null); with wait, until it ends.
bool Spawn(const std::vector<std::string>& args, bool wait) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  const bool started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!started) return false;
  int status;
  if (wait) {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  } else {
    // The caller does not wait for a viewer; a detached thread reaps it.
    std::thread([pid] {
      int s;
      while (waitpid(pid, &s, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  }
  return true;
}

bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    const std::string dir(rest.substr(0, colon));
    if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return false;
}

bool OpenPage(const std::string& url, bool wait) {
  return !url.empty() && Spawn({"xdg-open", url}, wait);
}

// A printer user-interface line done the local way; other lines go to the
// shell.
bool RunHere(const std::u16string& line, int, bool wait) {
  if (!line.starts_with(kPrintUi)) return Spawn({"/bin/sh", "-c", WideToUtf8(line)}, wait);
  const std::u16string_view args = std::u16string_view(line).substr(kPrintUi.size());
  const std::u16string_view option = args.substr(0, args.find(u' '));
  const size_t open = args.find(u'"'), close = args.rfind(u'"');
  if (open == std::u16string_view::npos || close <= open) return false;
  const std::u16string name(args.substr(open + 1, close - open - 1));
  const std::u16string_view tail = args.substr(close + 1);
  const auto spooler = CurrentSpooler();
  if (!spooler) return false;

  if (option == u"/Xs") {
    TPrinterCommand command;
    if (tail == u" status pause")
      command = pcPause;
    else if (tail == u" status resume")
      command = pcResume;
    else if (tail == u" status purge")
      command = pcPurge;
    else
      return false;
    auto h = spooler->OpenPrinter(name, paAll);
    return h.Ok() && h.Value->ControlPrinter(command) == seNone;
  }
  if (option == u"/o" || option == u"/p" || option == u"/in")
    return OpenPage(spooler->AdminPage(name), wait);
  if (option == u"/il" || option == u"/s") {
    if (option == u"/il" && OnPath("system-config-printer"))
      return Spawn({"system-config-printer"}, wait);
    return OpenPage(spooler->AdminPage(name), wait);
  }
  return false;
}

struct TUiLine {
  const char16_t* Option;
  bool ComputerName;  // "\\C" rather than a printer name
  const char16_t* Tail;
  int Show;
  bool Wait;
};

const TUiLine& Line(TPrinterUi operation) {
  static const TUiLine kLines[] = {
      {u"/o /n", false, u"", 0, false},                 // OpenQueue
      {u"/Xs /n", false, u" status pause", 0, false},   // Pause
      {u"/Xs /n", false, u" status resume", 0, false},  // Resume
      {u"/Xs /n", false, u" status purge", 0, false},   // Purge
      {u"/il /c", true, u"", 1, false},                 // AddPrinter
      {u"/in /n", false, u"", 0, true},                 // Connect
      {u"/p /n", false, u"", 1, false},                 // Properties
      {u"/s /c", true, u"", 1, false},                  // ServerProperties
  };
  return kLines[static_cast<int>(operation)];
}

bool RunUi(TPrinterUi operation, std::u16string_view name) {
  const TUiLine& line = Line(operation);
  return RunCommand(PrinterUiCommandLine(operation, name), line.Show, line.Wait);
}

}  // namespace

std::u16string PrinterUiCommandLine(TPrinterUi operation, std::u16string_view name) {
  const TUiLine& line = Line(operation);
  std::u16string text(kPrintUi);
  text += line.Option;
  text += u'"';
  if (line.ComputerName) text += u"\\\\";
  text += name;
  text += u'"';
  text += line.Tail;
  return text;
}

bool RunCommand(const std::u16string& commandLine, int show, bool wait) {
  TCommandRunner custom;
  {
    std::lock_guard lock(runnerLock);
    custom = runner;
  }
  return custom ? custom(commandLine, show, wait) : RunHere(commandLine, show, wait);
}

void SetCommandRunner(TCommandRunner r) {
  std::lock_guard lock(runnerLock);
  runner = std::move(r);
}

bool OpenQueueWindow(std::u16string_view p) {
  return RunUi(TPrinterUi::OpenQueue, p);
}
bool PausePrinting(std::u16string_view p) {
  return RunUi(TPrinterUi::Pause, p);
}
bool ResumePrinting(std::u16string_view p) {
  return RunUi(TPrinterUi::Resume, p);
}
bool PurgePrinter(std::u16string_view p) {
  return RunUi(TPrinterUi::Purge, p);
}
bool AddPrinterWizard(std::u16string_view c) {
  return RunUi(TPrinterUi::AddPrinter, c);
}
bool ConnectPrinterDialog(std::u16string_view p) {
  return RunUi(TPrinterUi::Connect, p);
}
bool PrinterPropertiesDialog(std::u16string_view p) {
  return RunUi(TPrinterUi::Properties, p);
}
bool ServerPropertiesDialog(std::u16string_view c) {
  return RunUi(TPrinterUi::ServerProperties, c);
}

}  // namespace ostrovel
