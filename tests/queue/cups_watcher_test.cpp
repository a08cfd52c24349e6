// A printer watcher on a real scheduler: a private cupsd with a raw queue.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "private_cupsd.h"
#include "uCupsSpooler.h"
#include "uMainThread.h"
#include "uParseRequest.h"
#include "uProcs.h"
#include "uSelectedPrinter.h"
#include "uWatcherRegistry.h"

namespace ostrovel {
namespace {

using namespace std::chrono_literals;

TEST(CupsWatcher, SeesAJobAppearChangeAndLeave) {
  test::TPrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start()) << cupsd.Error();
  ASSERT_TRUE(cupsd.Run({"lpadmin", "-p", "rawq", "-E", "-v", "file:///dev/null"}));
  ASSERT_TRUE(cupsd.Run({"cupsdisable", "rawq"}));  // jobs stay in the queue

  SetSpooler(std::make_shared<TCupsSpooler>());
  SetMainThreadCaller(std::make_shared<TInlineCaller>());
  SetParseHandler([](std::unique_ptr<TParseRequest>) {});

  std::mutex lock;
  std::condition_variable changed;
  std::vector<TQueueJob> jobs;
  bool read = false;
  TPrnCallbacks callbacks;
  callbacks.OnJobs = [&](const std::u16string&, const std::vector<TQueueJob>& list, uint8_t) {
    std::lock_guard hold(lock);
    jobs = list;
    changed.notify_all();
  };
  callbacks.OnPrinterInfo = [&](const TPrinterPost&) {
    std::lock_guard hold(lock);
    read = true;
    changed.notify_all();
  };
  auto waitFor = [&](auto pred) {
    std::unique_lock hold(lock);
    return changed.wait_for(hold, 20s, pred);
  };

  SetSelectedPrinter(u"rawq");
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"rawq", callbacks));
  ASSERT_TRUE(waitFor([&] { return read; }));

  std::string out;
  ASSERT_TRUE(cupsd.Run({"lp", "-d", "rawq", "-o", "raw", "-H", "hold", "-t", "Held report", "/etc/hostname"}, &out));
  ASSERT_TRUE(waitFor([&] { return jobs.size() == 1 && (jobs[0].Status & jsPaused); })) << out;
  EXPECT_EQ(jobs[0].Document.View(), u"Held report");
  const std::string id = "rawq-" + std::to_string(jobs[0].JobId);

  ASSERT_TRUE(cupsd.Run({"lp", "-i", id, "-H", "resume"}));
  ASSERT_TRUE(waitFor([&] { return jobs.size() == 1 && !(jobs[0].Status & jsPaused); }));

  ASSERT_TRUE(cupsd.Run({"cancel", id}));
  ASSERT_TRUE(waitFor([&] { return jobs.empty(); }));

  WatcherRegistry().StopAll(5000);
  DrainParseRequests();
  SetParseHandler(nullptr);
  SetSelectedPrinter(u"");
}

}  // namespace
}  // namespace ostrovel
