// The queue engine's hot paths on the in-process spooler:
//
//   build/bench/bench/queue_bench
//
// applying a notification batch of 1,000 job items to 1,000 records, a full
// read of a 1,000-job queue, and posting a list of 10,000 records.
#include <benchmark/benchmark.h>

#include "uMainThread.h"
#include "uPrnThread.h"
#include "uMemorySpooler.h"
#include "uProcs.h"
#include "uSelectedPrinter.h"

using namespace ostrovel;

namespace {

// A watcher driven step by step on the benchmark's thread.
class TBenchWatcher : public TPrnThread {
 public:
  TBenchWatcher(std::u16string name, TPrnCallbacks callbacks) : TPrnThread(std::move(name), std::move(callbacks)) {}
  void OpenNow() { Open(); }
  using TPrnThread::EnumQueue;
  using TPrnThread::PostJobs;
  using TPrnThread::UpdateQueue;
  void SetJobCount(uint32_t count) { jobCount_ = count; }
};

std::shared_ptr<TMemorySpooler> SpoolerWithJobs(int jobs) {
  auto spooler = std::make_shared<TMemorySpooler>();
  TPrinterInfo printer;
  printer.Name = u"Bench";
  spooler->AddPrinter(printer);
  for (int i = 0; i < jobs; ++i) {
    TJobInfo job;
    job.Document = u"Document " + std::u16string(1, char16_t(u'A' + i % 26));
    job.UserName = u"user";
    job.DataType = u"RAW";
    job.TotalPages = 3;
    job.DevMode = TDevModeW{};
    spooler->AddJob(u"Bench", job);
  }
  return spooler;
}

void BM_UpdateQueue_1000Items_1000Records(benchmark::State& state) {
  TBenchWatcher watcher(u"Bench", {});
  for (uint32_t id = 1; id <= 1000; ++id) AddJob(watcher.Jobs, id);
  watcher.SetJobCount(1000);
  TNotifyInfo batch;
  for (uint32_t id = 1; id <= 1000; ++id) batch.Items.push_back({TNotifyType::Job, jfStatus, id, uint32_t(0)});
  uint32_t status = 0;
  for (auto _ : state) {
    status ^= jsPrinting;  // every item changes its record
    for (auto& item : batch.Items) item.Value = status;
    benchmark::DoNotOptimize(watcher.UpdateQueue(batch, chSetJob));
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}

void BM_EnumQueue_1000Jobs(benchmark::State& state) {
  SetSpooler(SpoolerWithJobs(1000));
  TBenchWatcher watcher(u"Bench", {});
  watcher.OpenNow();
  for (auto _ : state) watcher.EnumQueue();
  state.SetItemsProcessed(state.iterations() * 1000);
  state.counters["records"] = watcher.Jobs.Count();
}

void BM_PostJobs_10000Records(benchmark::State& state) {
  SetMainThreadCaller(std::make_shared<TInlineCaller>());
  SetSelectedPrinter(u"Bench");
  size_t received = 0;
  TPrnCallbacks callbacks;
  callbacks.OnJobs = [&](const std::u16string&, const std::vector<TQueueJob>& jobs, uint8_t) {
    received = jobs.size();
  };
  TBenchWatcher watcher(u"Bench", callbacks);
  for (uint32_t id = 1; id <= 10000; ++id) AddJob(watcher.Jobs, id);
  for (auto _ : state) watcher.PostJobs();
  state.counters["records"] = double(received);
  SetSelectedPrinter(u"");
}

BENCHMARK(BM_UpdateQueue_1000Items_1000Records)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnumQueue_1000Jobs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PostJobs_10000Records)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
