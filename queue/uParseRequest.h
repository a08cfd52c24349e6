// Parse requests: each job of the selected printer that has finished
// spooling is analysed once, on a pool of low-priority threads.
//
// Threads: RequestParse runs on a watcher thread (holding its record lock);
// handlers run on the pool's threads.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "uQueueJob.h"

namespace ostrovel {

// A job handed to analysis: the printer and a copy of its record as it was.
struct TParseRequest {
  char16_t PrinterName[261];
  TQueueJob Job;
};

// Queues an analysis of job unless it is requested, analysed or still
// spooling; sets jfParseRequested when queued. The caller holds the record
// lock of the job's watcher.
bool RequestParse(const std::u16string& printer, TQueueJob& job);

// What a request does; the default is HandleRequest.
using TParseHandler = std::function<void(std::unique_ptr<TParseRequest>)>;
void SetParseHandler(TParseHandler handler);

// The request handler: marks the job, analyses it and merges the results
// into the live record, then wakes the printer's watcher.
void HandleRequest(std::unique_ptr<TParseRequest> request);

// Waits until no request is queued or running (tests and tools).
void DrainParseRequests();

// Runs fn on the live record of a job of a watched printer, under that
// watcher's record lock; false when the job is gone.
bool WithLiveJob(const std::u16string& printer, uint32_t jobId, const std::function<void(TQueueJob&)>& fn);

// Asks the selected printer's watcher for a refresh, after any refresh
// still pending has been taken.
void WakePrinterWatcher(const std::u16string& printer);

}  // namespace ostrovel
