// Printer and server watchers and their registry, against the in-process
// spooler.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "queue_test_util.h"
#include "uMainThread.h"
#include "uMemorySpooler.h"
#include "uParseRequest.h"
#include "uProcs.h"
#include "uSPLCapture.h"
#include "uSelectedPrinter.h"
#include "uWatcherRegistry.h"

namespace ostrovel {
namespace {

using namespace std::chrono_literals;

// Everything the watchers post, with a way to wait for a post.
class TPosts {
 public:
  TPrnCallbacks Callbacks() {
    TPrnCallbacks c;
    c.OnJobs = [this](const std::u16string& name, const std::vector<TQueueJob>& jobs, uint8_t reason) {
      Add([&] { lists.push_back({name, jobs, reason}); });
    };
    c.OnRename = [this](const std::u16string& from, const std::u16string& to) {
      Add([&] { renames.push_back({from, to}); });
    };
    c.OnStatus = [this](const std::u16string& name, uint8_t reason) {
      Add([&] { statuses.push_back({name, reason}); });
    };
    c.OnPrinterInfo = [this](const TPrinterPost& info) { Add([&] { infos.push_back(info); }); };
    return c;
  }

  template <class Pred>
  bool WaitFor(Pred pred) {
    std::unique_lock hold(lock);
    return changed.wait_for(hold, 10s, [&] { return pred(); });
  }

  // The last job list posted, or nothing.
  std::vector<TQueueJob> LastJobs() {
    std::lock_guard hold(lock);
    return lists.empty() ? std::vector<TQueueJob>() : lists.back().jobs;
  }

  struct TList {
    std::u16string name;
    std::vector<TQueueJob> jobs;
    uint8_t reason;
  };
  std::mutex lock;
  std::condition_variable changed;
  std::vector<TList> lists;
  std::vector<std::pair<std::u16string, std::u16string>> renames;
  std::vector<std::pair<std::u16string, uint8_t>> statuses;
  std::vector<TPrinterPost> infos;

 private:
  template <class F>
  void Add(F f) {
    std::lock_guard hold(lock);
    f();
    changed.notify_all();
  }
};

TJobInfo Job(const char16_t* document, uint32_t status = 0) {
  TJobInfo j;
  j.Document = document;
  j.UserName = u"anna";
  j.MachineName = u"\\\\PC1";
  j.DataType = u"RAW";
  j.Status = status;
  j.TotalPages = 1;
  return j;
}

class Watchers : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSpooler(spooler);
    SetMainThreadCaller(std::make_shared<TInlineCaller>());
    SetHostResolver([](std::u16string_view name) { return std::u16string(name); });
    TPrnThread::SetWaitTimeoutMs(300);
    TSvrThread::SetWaitTimeoutMs(300);
    // Jobs without spool data report size 0: do not wait seconds for more.
    SetCaptureWait({2, 1});
    SetParseHandler([this](std::unique_ptr<TParseRequest> r) {
      requested.fetch_add(1);
      HandleRequest(std::move(r));
    });
    spooler->AddPrinter(Printer(u"Laser"));
  }
  void TearDown() override {
    WatcherRegistry().StopAll(5000);
    DrainParseRequests();
    SetParseHandler(nullptr);
    SetSelectedPrinter(u"");
    SetHostResolver(nullptr);
    TPrnThread::SetWaitTimeoutMs(15000);
    TSvrThread::SetWaitTimeoutMs(30000);
    SetCaptureWait({});
  }
  static TPrinterInfo Printer(const char16_t* name) {
    TPrinterInfo p;
    p.Name = name;
    p.PortName = u"LPT1:";
    p.DriverName = u"Generic";
    p.Comment = u"Second floor";
    return p;
  }
  // The first read of a queue posts the printer's properties; an empty
  // queue posts no job list.
  bool FirstRead() {
    return posts.WaitFor([&] { return !posts.infos.empty(); });
  }
  bool ListHas(size_t count, uint32_t flags = 0) {
    return posts.WaitFor([&] {
      if (posts.lists.empty() || posts.lists.back().jobs.size() != count) return false;
      for (const auto& j : posts.lists.back().jobs)
        if ((j.Flags & flags) != flags) return false;
      return true;
    });
  }

  std::shared_ptr<TMemorySpooler> spooler = std::make_shared<TMemorySpooler>();
  TPosts posts;
  std::atomic<int> requested{0};
};

TEST_F(Watchers, SelectedPrinterPostsItsQueueAndAnalysesEachJobOnce) {
  spooler->AddJob(u"Laser", Job(u"Report.pdf"));
  spooler->AddJob(u"Laser", Job(u"Letter.doc"));
  SetSelectedPrinter(u"laser");
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));

  // Both jobs end analysed; the list is posted again after each analysis.
  ASSERT_TRUE(ListHas(2, jfAnalysed));
  DrainParseRequests();
  EXPECT_EQ(requested.load(), 2);
  const auto jobs = posts.LastJobs();
  EXPECT_EQ(jobs[0].Document.View(), u"Report.pdf");
  EXPECT_EQ(jobs[0].User.View(), u"anna");
  EXPECT_EQ(jobs[0].Copies, 1);
  ASSERT_TRUE(posts.WaitFor([&] { return !posts.infos.empty(); }));
  EXPECT_EQ(posts.infos.back().PortName, u"LPT1:");
  EXPECT_EQ(posts.infos.back().JobCount, 2u);
}

TEST_F(Watchers, NewJobIsAnalysedOnceItHasSpooled) {
  SetSelectedPrinter(u"Laser");
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(FirstRead());
  const uint32_t id = spooler->AddJob(u"Laser", Job(u"Big.prn", jsSpooling));
  ASSERT_TRUE(ListHas(1, jfAwaitSpooled));
  DrainParseRequests();
  EXPECT_EQ(requested.load(), 0);
  spooler->UpdateJob(u"Laser", id, [](TJobInfo& j) { j.Status = 0; });
  ASSERT_TRUE(ListHas(1, jfAnalysed));
  DrainParseRequests();
  EXPECT_EQ(requested.load(), 1);
}

TEST_F(Watchers, OtherPrintersPostOnlyTheirProperties) {
  spooler->AddJob(u"Laser", Job(u"Report.pdf"));
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(posts.WaitFor([&] { return !posts.infos.empty(); }));
  DrainParseRequests();
  EXPECT_TRUE(posts.lists.empty());
  EXPECT_EQ(requested.load(), 0);

  // Selecting the printer and asking for a refresh posts it (reason 4) and
  // analyses its jobs.
  SetSelectedPrinter(u"Laser");
  EXPECT_TRUE(WatcherRegistry().RefreshPrinterThread(u"LASER"));
  ASSERT_TRUE(posts.WaitFor([&] { return !posts.lists.empty(); }));
  EXPECT_EQ(posts.lists.front().reason, prRefresh);
  ASSERT_TRUE(ListHas(1, jfAnalysed));
}

TEST_F(Watchers, JobsThatLeaveTheQueueLeaveTheList) {
  SetSelectedPrinter(u"Laser");
  const uint32_t a = spooler->AddJob(u"Laser", Job(u"A"));
  spooler->AddJob(u"Laser", Job(u"B"));
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(ListHas(2));
  spooler->RemoveJob(u"Laser", a);
  ASSERT_TRUE(ListHas(1));
  EXPECT_EQ(posts.LastJobs()[0].Document.View(), u"B");
}

TEST_F(Watchers, JobDeletedInTheBatchThatAddsAnotherLeaves) {
  SetSelectedPrinter(u"Laser");
  const uint32_t a = spooler->AddJob(u"Laser", Job(u"A"));
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(ListHas(1, jfAnalysed));
  // Whether the two changes arrive in one batch or two, the list ends right.
  {
    std::lock_guard hold(posts.lock);
    spooler->RemoveJob(u"Laser", a);
    spooler->AddJob(u"Laser", Job(u"B"));
  }
  ASSERT_TRUE(posts.WaitFor([&] {
    return !posts.lists.empty() && posts.lists.back().jobs.size() == 1 &&
           posts.lists.back().jobs[0].Document.View() == u"B";
  }));
}

TEST_F(Watchers, RefreshPostsOnceAndRequestsOnce) {
  // Requests are only counted here, so no analysis wakes the watcher again.
  SetParseHandler([this](std::unique_ptr<TParseRequest>) { requested.fetch_add(1); });
  spooler->AddJob(u"Laser", Job(u"A"));
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(FirstRead());
  SetSelectedPrinter(u"Laser");
  ASSERT_TRUE(WatcherRegistry().RefreshPrinterThread(u"Laser"));
  // The refresh posts the list, then reads the queue once more.
  ASSERT_TRUE(posts.WaitFor([&] { return posts.lists.size() >= 2; }));
  std::this_thread::sleep_for(300ms);
  DrainParseRequests();
  std::lock_guard hold(posts.lock);
  int refreshPosts = 0;
  for (const auto& list : posts.lists) refreshPosts += list.reason == prRefresh;
  EXPECT_EQ(refreshPosts, 1);
  EXPECT_EQ(posts.lists.front().reason, prRefresh);
  EXPECT_EQ(requested.load(), 1);
}

TEST_F(Watchers, JobSpoolingDuringTheFirstReadIsAnalysedOnceSpooled) {
  const uint32_t id = spooler->AddJob(u"Laser", Job(u"A", jsSpooling));
  SetSelectedPrinter(u"Laser");
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(ListHas(1));
  DrainParseRequests();
  EXPECT_EQ(requested.load(), 0);
  spooler->UpdateJob(u"Laser", id, [](TJobInfo& j) { j.Status = 0; });
  ASSERT_TRUE(ListHas(1, jfAnalysed));
  DrainParseRequests();
  EXPECT_EQ(requested.load(), 1);
}

TEST_F(Watchers, LostChangesAreReadAgainInFull) {
  SetSelectedPrinter(u"Laser");
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(FirstRead());
  spooler->SetMaxPendingItems(2);  // a job's items overflow: the batch is discarded
  spooler->AddJob(u"Laser", Job(u"A"));
  spooler->AddJob(u"Laser", Job(u"B"));
  ASSERT_TRUE(ListHas(2));
}

TEST_F(Watchers, RenamedPrinterCarriesOnUnderItsNewName) {
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(posts.WaitFor([&] { return !posts.infos.empty(); }));
  spooler->RenamePrinter(u"Laser", u"Laser 2");
  ASSERT_TRUE(test::WaitUntil([&] { return WatcherRegistry().FindPrinterThread(u"laser 2") >= 0; }));
  ASSERT_EQ(posts.renames.size(), 1u);
  EXPECT_EQ(posts.renames[0], std::make_pair(std::u16string(u"Laser"), std::u16string(u"Laser 2")));
  EXPECT_EQ(WatcherRegistry().FindPrinterThread(u"Laser"), -1);
}

TEST_F(Watchers, DeletedPrinterEndsItsWatcher) {
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  const auto watcher = WatcherRegistry().FindPrinterWatcher(u"Laser");
  ASSERT_TRUE(posts.WaitFor([&] { return !posts.infos.empty(); }));
  spooler->RemovePrinter(u"Laser");
  ASSERT_TRUE(posts.WaitFor([&] { return !posts.statuses.empty(); }));
  EXPECT_EQ(posts.statuses[0], std::make_pair(std::u16string(u"Laser"), uint8_t(prDeleted)));
  EXPECT_TRUE(watcher->WaitEnded(5000));
  EXPECT_EQ(watcher->Jobs.Count(), 0);
}

TEST_F(Watchers, PrinterThatCannotBeOpenedIsTriedAgain) {
  spooler->AddJob(u"Laser", Job(u"A"));
  spooler->FailOpen(u"Laser", seFileNotFound);
  SetSelectedPrinter(u"Laser");
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  const auto watcher = WatcherRegistry().FindPrinterWatcher(u"Laser");
  ASSERT_TRUE(test::WaitUntil([&] { return watcher->OpenCount() >= 2; }));
  EXPECT_TRUE(posts.lists.empty());
  spooler->FailOpen(u"Laser", seNone);
  ASSERT_TRUE(ListHas(1));
}

TEST_F(Watchers, HandleThatStopsAnsweringIsReopened) {
  SetSelectedPrinter(u"Laser");
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(FirstRead());
  const auto watcher = WatcherRegistry().FindPrinterWatcher(u"Laser");
  const int opened = watcher->OpenCount();
  spooler->BreakHandles(u"Laser");
  ASSERT_TRUE(test::WaitUntil([&] { return watcher->OpenCount() > opened; }));
  spooler->AddJob(u"Laser", Job(u"After"));
  ASSERT_TRUE(ListHas(1));
}

TEST_F(Watchers, RegistryKeepsOneWatcherPerName) {
  EXPECT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  EXPECT_FALSE(WatcherRegistry().AddPrinterThread(u"LASER", posts.Callbacks()));
  WatcherRegistry().AddServerThread(u"\\\\LOCALHOST", nullptr);
  WatcherRegistry().AddServerThread(u"\\\\localhost", nullptr);
  EXPECT_EQ(WatcherRegistry().Count(), 2);
  EXPECT_FALSE(WatcherRegistry().RefreshPrinterThread(u"Unknown"));
  WatcherRegistry().DeletePrinterThread(u"Unknown");
  EXPECT_EQ(WatcherRegistry().Count(), 2);
  const auto watcher = WatcherRegistry().FindPrinterWatcher(u"Laser");
  WatcherRegistry().DeletePrinterThread(u"laser");
  EXPECT_EQ(WatcherRegistry().FindPrinterThread(u"Laser"), -1);
  EXPECT_TRUE(watcher->WaitEnded(5000));
}

TEST_F(Watchers, ServerWatcherReportsAddedPrinters) {
  std::atomic<int> added{0};
  WatcherRegistry().AddServerThread(u"\\\\LOCALHOST", [&](const std::u16string& name, uint8_t code) {
    EXPECT_EQ(name, u"\\\\LOCALHOST");
    EXPECT_EQ(code, 0);
    added.fetch_add(1);
    posts.changed.notify_all();
  });
  std::this_thread::sleep_for(100ms);  // let it register before the change
  spooler->AddPrinter(Printer(u"Inkjet"));
  ASSERT_TRUE(posts.WaitFor([&] { return added.load() == 1; }));
}

TEST_F(Watchers, AnalysisWritesRaceFreeWithTheWatcher) {
  // Many jobs analysed while their statuses keep changing: the request
  // threads and the watcher share the records (run under ThreadSanitizer).
  SetSelectedPrinter(u"Laser");
  ASSERT_TRUE(WatcherRegistry().AddPrinterThread(u"Laser", posts.Callbacks()));
  ASSERT_TRUE(FirstRead());
  std::vector<uint32_t> ids;
  for (int i = 0; i < 20; ++i) ids.push_back(spooler->AddJob(u"Laser", Job(u"J")));
  for (int round = 0; round < 3; ++round)
    for (uint32_t id : ids) spooler->UpdateJob(u"Laser", id, [&](TJobInfo& j) { j.Priority = 2 + round; });
  ASSERT_TRUE(ListHas(20, jfAnalysed));
}

}  // namespace
}  // namespace ostrovel
