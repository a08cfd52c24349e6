#include "uParseRequest.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "uPrnThread.h"
#include "uSelectedPrinter.h"
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
  return Pool().Queue(
      [request, run = CurrentHandler()] { run(std::make_unique<TParseRequest>(*request)); });
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

void DrainParseRequests() {
  Pool().Drain();
}

bool WithLiveJob(const std::u16string& printer, uint32_t jobId,
                 const std::function<void(TQueueJob&)>& fn) {
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

}  // namespace ostrovel
