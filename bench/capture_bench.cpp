// Live analysis against the in-process spooler: the time from jobs leaving
// the spooling state to their analysed values in the live records, and the
// memory a capture of a large job takes.
//
//   build/bench/bench/capture_bench
//
// JobToAnalysed/N: N raw PCL jobs of one printer finish spooling at once;
// the time runs until every one of them is analysed. CaptureLargeJob: one
// 200 MB job captured; peak_rss_growth_mb is how far the process's peak
// resident memory rose during the capture (VmHWM, reset before), which
// includes the pages of the spool file the header scan maps (file pages the
// kernel may drop at any time); anon_rss_growth_mb is the private memory
// the capture kept when it returned.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "uMainThread.h"
#include "uMemorySpooler.h"
#include "uParseRequest.h"
#include "uProcs.h"
#include "uSPLCapture.h"
#include "uSPLSaveRead.h"
#include "uSelectedPrinter.h"
#include "uWatcherRegistry.h"

using namespace ostrovel;

namespace {

// A PCL job in PJL of about 700 bytes.
std::string PclJob() {
  std::string job = "\x1b%-12345X@PJL JOB NAME=\"Bench\"\r\n@PJL SET COPIES=2\r\n";
  job +=
      "@PJL ENTER LANGUAGE=PCL\r\n\x1b"
      "E\x1b&l26A";
  for (int row = 0; row < 40; ++row) job += "\x1b*b8W\x01\x02\x03\x04\x05\x06\x07\x08";
  job +=
      "\x0c\x1b"
      "E\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X";
  return job;
}

bool AllAnalysed(const std::vector<uint32_t>& ids) {
  for (uint32_t id : ids) {
    bool analysed = false;
    WithLiveJob(u"Bench", id, [&](TQueueJob& j) { analysed = j.Has(jfAnalysed); });
    if (!analysed) return false;
  }
  return true;
}

bool AllListed(const std::vector<uint32_t>& ids) {
  for (uint32_t id : ids)
    if (!WithLiveJob(u"Bench", id, [](TQueueJob&) {})) return false;
  return true;
}

template <class Pred>
void Await(Pred pred) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  // Short sleeps, not a spin: the watcher needs its list lock now and then.
  while (!pred() && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void BM_JobToAnalysed(benchmark::State& state) {
  auto spooler = std::make_shared<TMemorySpooler>();
  SetSpooler(spooler);
  SetMainThreadCaller(std::make_shared<TInlineCaller>());
  SetHostResolver([](std::u16string_view name) { return std::u16string(name); });
  TPrinterInfo p;
  p.Name = u"Bench";
  spooler->AddPrinter(p);
  SetSelectedPrinter(u"Bench");
  // Jobs count as arriving while watching once the first read is over.
  std::atomic<bool> firstRead{false};
  TPrnCallbacks callbacks;
  callbacks.OnPrinterInfo = [&](const TPrinterPost&) { firstRead.store(true); };
  WatcherRegistry().AddPrinterThread(u"Bench", callbacks);
  Await([&] { return firstRead.load(); });
  const std::string data = PclJob();
  for (auto _ : state) {
    std::vector<uint32_t> ids;
    for (int i = 0; i < state.range(0); ++i) {
      TJobInfo j;
      j.Document = u"Bench";
      j.DataType = u"RAW";
      j.Status = jsSpooling;
      j.TotalPages = 1;
      ids.push_back(spooler->AddJob(u"Bench", j, data));
    }
    Await([&] { return AllListed(ids); });
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t id : ids) spooler->UpdateJob(u"Bench", id, [](TJobInfo& j) { j.Status = 0; });
    Await([&] { return AllAnalysed(ids); });
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    for (uint32_t id : ids) spooler->RemoveJob(u"Bench", id);
    Await([&] { return !WithLiveJob(u"Bench", ids.back(), [](TQueueJob&) {}); });
  }
  WatcherRegistry().StopAll(5000);
  DrainParseRequests();
  SetSelectedPrinter(u"");
  SetSpooler(nullptr);
}
BENCHMARK(BM_JobToAnalysed)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond)->UseManualTime();

// A field of /proc/self/status in kB.
long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  return 0;
}

void BM_CaptureLargeJob(benchmark::State& state) {
  auto spooler = std::make_shared<TMemorySpooler>();
  SetSpooler(spooler);
  TPrinterInfo p;
  p.Name = u"Bench";
  spooler->AddPrinter(p);
  // 200 MB of PCL raster rows behind a PJL header.
  std::string data = PclJob();
  const std::string row = "\x1b*b1000W" + std::string(1000, '\x55');
  while (data.size() < 200u << 20) data += row;
  TJobInfo j;
  j.Document = u"Large";
  j.DataType = u"RAW";
  const uint32_t id = spooler->AddJob(u"Bench", j, std::move(data));
  long growth = 0;
  long anonGrowth = 0;
  for (auto _ : state) {
    std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak
    const long before = StatusKb("VmRSS:"), anonBefore = StatusKb("RssAnon:");
    const TCaptureResult r = CaptureJob(u"Bench", id);
    growth = std::max(growth, StatusKb("VmHWM:") - before);
    anonGrowth = std::max(anonGrowth, StatusKb("RssAnon:") - anonBefore);
    if (!r.Ok) state.SkipWithError("capture failed");
    TSPLInfo info;
    TJobInfoBlock block;
    TArraySplStream pages;
    const int handle = ReadCaptureFile(r.CaptureFileName, info, block, pages);
    CloseCaptureFile(handle, block, pages);
    close(r.SpoolFd);
  }
  state.counters["peak_rss_growth_mb"] = static_cast<double>(growth) / 1024;
  state.counters["anon_rss_growth_mb"] = static_cast<double>(anonGrowth) / 1024;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (200 << 20));
  SetSpooler(nullptr);
}
BENCHMARK(BM_CaptureLargeJob)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
