#include "uParseRequest.h"

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "uLogs.h"
#include "uPrnThread.h"
#include "uSPLMerge.h"
#include "uSelectedPrinter.h"
#include "uText.h"
#include "uWatcherRegistry.h"
#include "uWorkPool.h"

namespace ostrovel {

namespace {

// Three threads per processor, counted once.
TWorkPool& Pool() {
  static TWorkPool pool(3 * static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  return pool;
}

std::mutex handlerLock;
TParseHandler handler;

TParseHandler CurrentHandler() {
  std::lock_guard hold(handlerLock);
  return handler ? handler : TParseHandler(HandleRequest);
}

bool QueueOnce(const std::u16string& printer, const TQueueJob& job) {
  if (job.Has(jfParseRequested) || job.Has(jfAnalysed) || (job.Status & 0x8)) return false;
  auto request = std::make_shared<TParseRequest>();
  std::fill_n(request->PrinterName, 261, u'\0');
  std::copy_n(printer.data(), std::min<size_t>(printer.size(), 260), request->PrinterName);
  request->Job = job;
  return Pool().Queue([request, run = CurrentHandler()] { run(std::make_unique<TParseRequest>(*request)); });
}

std::string LogName(const TParseRequest& r) {
  return "\"" + WideToAnsi(r.PrinterName) + ":" + std::to_string(r.Job.JobId) + "\"";
}

}  // namespace

bool RequestParse(const std::u16string& printer, TQueueJob& job) {
  try {
    if (QueueOnce(printer, job) || QueueOnce(printer, job)) {
      job.Flags |= jfParseRequested;
      return true;
    }
  } catch (...) {
  }
  return false;
}

void SetParseHandler(TParseHandler h) {
  std::lock_guard hold(handlerLock);
  handler = std::move(h);
}

void DrainParseRequests() { Pool().Drain(); }

bool WithLiveJob(const std::u16string& printer, uint32_t jobId, const std::function<void(TQueueJob&)>& fn) {
  const auto watcher = WatcherRegistry().FindPrinterWatcher(printer);
  return watcher && watcher->WithJob(jobId, fn);
}

void WakePrinterWatcher(const std::u16string& printer) {
  if (!IsSelectedPrinter(printer)) return;
  const auto watcher = WatcherRegistry().FindPrinterWatcher(printer);
  if (!watcher) return;
  for (int i = 0; i < 5 && watcher->WakeEvent().Wait(5); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  watcher->RefreshRequested.store(true);
  watcher->WakeEvent().Set();
}

void HandleRequest(std::unique_ptr<TParseRequest> request) {
  const std::u16string printer(request->PrinterName);
  const uint32_t jobId = request->Job.JobId;
  auto restore = [&] {
    try {
      WithLiveJob(printer, jobId, [](TQueueJob& job) { job.Flags &= ~(jfParsing | jfParseRequested); });
    } catch (...) {
      LogError(0, errno, "uQueue.HandleRequest.RestoreJob - " + LogName(*request));
    }
  };
  try {
    try {
      WithLiveJob(printer, jobId, [](TQueueJob& job) { job.Flags |= jfParsing; });
      WakePrinterWatcher(printer);
    } catch (...) {
      LogError(0, errno, "uQueue.HandleRequest.RestoreJob - " + LogName(*request));
    }
    if (!IsSelectedPrinter(printer)) {
      restore();
      return;
    }
    // Until the spool data is captured, a job is analysed with nothing
    // found: the spooler's copies and pages stand, at least 1 each.
    TQueueJob& copy = request->Job;
    const TAnalysisMerge merge = MergeAnalysis(
        TJobCounts{copy.DataType, static_cast<uint32_t>(copy.Copies), copy.TotalPages}, nullptr, TSPLInfo{});
    try {
      WithLiveJob(printer, jobId, [&](TQueueJob& job) {
        job.Copies = static_cast<int32_t>(merge.Job.Copies);
        job.TotalPages = merge.Job.TotalPages;
        job.DataType = merge.Job.DataType;
        job.Flags = (job.Flags & ~jfParseRequested) | jfAnalysed;
      });
      WakePrinterWatcher(printer);
    } catch (...) {
      LogError(0, errno, "uQueue.ParseJob");
    }
  } catch (...) {
    restore();
    LogError(0, errno, "uQueue.HandleRequest");
  }
}

}  // namespace ostrovel
