// ostrovel-queue: the queue engine without a window. Lists the printers of
// this computer's spooler, or follows one printer's jobs with the values
// analysis finds in their spool data.
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "uCupsSpooler.h"
#include "uEngineHooks.h"
#include "uJobCells.h"
#include "uMainThread.h"
#include "uParseRequest.h"
#include "uProcs.h"
#include "uSPLType.h"
#include "uSelectedPrinter.h"
#include "uSpoolName.h"
#include "uToolOutput.h"
#include "uText.h"
#include "uWatcherRegistry.h"

using namespace ostrovel;

namespace {

constexpr const char* kUsage =
    "usage: ostrovel-queue [--json] [--printer NAME [--watch] [--timeout SECONDS]]";

std::atomic<bool> interrupted{false};

std::string U8(std::u16string_view s) { return WideToUtf8(s); }

std::string Json(std::string_view s) { return JsonString(s); }

int ListPrinters(bool json) {
  std::vector<std::u16string> names;
  if (!GetPrinters(names, peLocal | peConnections)) {
    std::fprintf(stderr, "ostrovel-queue: cannot reach the print spooler\n");
    return 1;
  }
  std::vector<std::vector<std::string>> rows = {
      {"PRINTER", "STATUS", "JOBS", "COMMENT", "LOCATION", "PORT", "SHARE"}};
  for (const auto& name : names) {
    const auto info = GetPrinterInfo(name);
    if (!info) continue;
    const std::string status = U8(PrinterStatusText(info->Status, info->Attributes & patWorkOffline));
    if (json) {
      std::printf("{\"printer\":%s,\"status\":%s,\"jobs\":%u,\"comment\":%s,\"location\":%s,\"port\":%s,\"share\":%s}\n",
                  Json(U8(name)).c_str(), Json(status).c_str(), info->JobCount, Json(U8(info->Comment)).c_str(),
                  Json(U8(info->Location)).c_str(), Json(U8(info->PortName)).c_str(),
                  Json(U8(info->ShareName)).c_str());
    } else {
      rows.push_back({U8(name), status, std::to_string(info->JobCount), U8(info->Comment), U8(info->Location),
                      U8(info->PortName), U8(info->ShareName)});
    }
  }
  if (!json) PrintTable(rows);
  std::fflush(stdout);
  return 0;
}

std::string IsoLocal(const TJobTime& t) {
  if (t.Year == 0) return "";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02uT%02u:%02u:%02u", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                t.Second);
  return buf;
}

void PrintJobs(const std::u16string& printer, const std::vector<TQueueJob>& jobs, bool json) {
  const TFormLookup forms = SpoolerFormLookup();
  auto cell = [&](const TQueueJob& j, int column) { return U8(JobCellText(j, column, forms)); };
  std::vector<std::vector<std::string>> rows = {{"ID", "USER", "COMPUTER", "DOCUMENT", "STATUS", "PAGES", "COPIES",
                                                 "SIZE", "SUBMITTED", "PAPER", "QUALITY", "PRIORITY", "COLOR",
                                                 "DUPLEX", "DATA TYPE", "POSITION", "PORT"}};
  for (const TQueueJob& j : jobs) {
    if (json) {
      std::string dataType = cell(j, jcDataType);
      if (!dataType.empty() && dataType.back() == '*') dataType.pop_back();
      std::printf(
          "{\"printer\":%s,\"jobId\":%u,\"user\":%s,\"computer\":%s,\"document\":%s,\"status\":%s,\"pages\":%s,"
          "\"copies\":%d,\"size\":%u,\"submitted\":%s,\"paper\":%s,\"quality\":%s,\"priority\":%u,"
          "\"color\":%s,\"duplex\":%s,\"dataType\":%s,\"position\":%u,\"port\":%s,\"analysed\":%s}\n",
          Json(U8(printer)).c_str(), j.JobId, Json(cell(j, jcUser)).c_str(), Json(cell(j, jcComputer)).c_str(),
          Json(cell(j, jcDocument)).c_str(), Json(cell(j, jcStatus)).c_str(), Json(cell(j, jcPages)).c_str(),
          j.Copies, j.Size, Json(IsoLocal(j.Submitted)).c_str(), Json(cell(j, jcPaperSize)).c_str(),
          Json(cell(j, jcQuality)).c_str(), j.Priority, (j.Attributes & jaColour) ? "true" : "false",
          (j.Attributes & jaDuplex) ? "true" : "false", Json(dataType).c_str(), j.Position,
          Json(cell(j, jcPortName)).c_str(), j.Has(jfAnalysed) ? "true" : "false");
    } else {
      std::vector<std::string> row = {std::to_string(j.JobId)};
      for (int c : {jcUser, jcComputer, jcDocument, jcStatus, jcPages, jcCopies, jcSize, jcSubmitted, jcPaperSize,
                    jcQuality, jcPriority, jcColor, jcDuplex, jcDataType, jcPosition, jcPortName})
        row.push_back(cell(j, c));
      rows.push_back(row);
    }
  }
  if (!json) PrintTable(rows);
  std::fflush(stdout);
}

// Jobs that have finished spooling and wait for, or are in, analysis.
bool AnyBeingAnalysed(const std::vector<TQueueJob>& jobs) {
  for (const auto& j : jobs)
    if (!j.Has(jfAnalysed) && !(j.Status & jsSpooling)) return true;
  return false;
}

int FollowPrinter(const std::u16string& printer, bool json, bool watch, int timeoutSeconds) {
  std::vector<std::u16string> names;
  if (!GetPrinters(names, peLocal | peConnections)) {
    std::fprintf(stderr, "ostrovel-queue: cannot reach the print spooler\n");
    return 1;
  }
  std::u16string name;
  for (const auto& n : names)
    if (SameText(n, printer)) name = n;
  if (name.empty()) {
    std::fprintf(stderr, "ostrovel-queue: there is no printer named %s\n", U8(printer).c_str());
    return 1;
  }

  auto caller = std::make_shared<TQueuedCaller>();
  SetMainThreadCaller(caller);
  SetSelectedPrinter(name);

  // Posts arrive on this thread through the caller's loop below.
  std::optional<std::vector<TQueueJob>> latest;
  bool fresh = false, propertiesRead = false, printerGone = false;
  TPrnCallbacks callbacks;
  callbacks.OnJobs = [&](const std::u16string&, const std::vector<TQueueJob>& jobs, uint8_t) {
    latest = jobs;
    fresh = true;
  };
  callbacks.OnPrinterInfo = [&](const TPrinterPost&) { propertiesRead = true; };
  callbacks.OnStatus = [&](const std::u16string&, uint8_t reason) { printerGone = reason == prDeleted; };
  callbacks.OnRename = [&](const std::u16string&, const std::u16string& newName) { SetSelectedPrinter(newName); };
  WatcherRegistry().AddPrinterThread(name, callbacks);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  bool askedForList = false;
  while (!interrupted.load() && !printerGone) {
    caller->RunPending(200);
    // An empty queue posts no job list of its own: once the printer has
    // been read, ask for the list.
    if (propertiesRead && !latest && !askedForList) {
      askedForList = WatcherRegistry().RefreshPrinterThread(name);
    }
    if (watch) {
      if (fresh && latest) PrintJobs(name, *latest, json);
      fresh = false;
      continue;
    }
    if (latest && !AnyBeingAnalysed(*latest)) break;
    if (std::chrono::steady_clock::now() > deadline) break;
  }
  if (!watch) PrintJobs(name, latest.value_or(std::vector<TQueueJob>{}), json);
  caller->Close();
  WatcherRegistry().StopAll(5000);
  DrainParseRequests();
  if (printerGone) {
    std::fprintf(stderr, "ostrovel-queue: printer %s was deleted\n", U8(name).c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false, watch = false;
  std::optional<std::u16string> printer;
  int timeout = 30;
  for (int a = 1; a < argc; ++a) {
    const std::string_view arg = argv[a];
    if (arg == "--json") {
      json = true;
    } else if (arg == "--watch") {
      watch = true;
    } else if ((arg == "--printer" || arg == "--timeout") && a + 1 < argc) {
      const std::string_view value = argv[++a];
      if (arg == "--printer") {
        printer = Utf8ToWide(value);
      } else {
        char* end = nullptr;
        const long seconds = std::strtol(value.data(), &end, 10);
        if (value.empty() || *end || seconds < 0 || seconds > 86400) {
          std::fprintf(stderr, "ostrovel-queue: bad --timeout '%s'\n%s\n", argv[a], kUsage);
          return 2;
        }
        timeout = static_cast<int>(seconds);
      }
    } else if (arg == "--help" || arg == "-h") {
      std::printf(
          "%s\n\nWithout --printer: the printers of this computer with their status, job\n"
          "count, comment, location, port and share.\n"
          "With --printer NAME: that printer's jobs once analysis of their spool data\n"
          "has finished (at most --timeout seconds, default 30); --watch prints each\n"
          "new job list until interrupted. --json prints one JSON object per line.\n\n"
          "Exit status: 0 on success, 1 when the printer does not exist or the spooler\n"
          "cannot be reached, 2 for bad usage.\n",
          kUsage);
      return 0;
    } else {
      std::fprintf(stderr, "ostrovel-queue: unexpected argument '%s'\n%s\n", argv[a], kUsage);
      return 2;
    }
  }
  if ((watch || timeout != 30) && !printer) {
    std::fprintf(stderr, "ostrovel-queue: --watch and --timeout need --printer\n%s\n", kUsage);
    return 2;
  }

  signal(SIGINT, [](int) { interrupted.store(true); });
  signal(SIGTERM, [](int) { interrupted.store(true); });
  InstallEngineHooks();
  InitProcs();
  SetSpooler(std::make_shared<TCupsSpooler>());
  return printer ? FollowPrinter(*printer, json, watch, timeout) : ListPrinters(json);
}
