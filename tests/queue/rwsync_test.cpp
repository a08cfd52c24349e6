#include <gtest/gtest.h>

#include <latch>
#include <mutex>
#include <thread>
#include <vector>

#include "queue_test_util.h"
#include "uRWSync.h"
#include "uThreadedList.h"

namespace ostrovel {
namespace {

using test::WaitUntil;

// An ordered record of what the threads did, for checking hand-over order.
class TEvents {
 public:
  void Add(const std::string& e) {
    std::lock_guard<std::mutex> hold(m_);
    events_.push_back(e);
  }
  std::vector<std::string> Get() {
    std::lock_guard<std::mutex> hold(m_);
    return events_;
  }

 private:
  std::mutex m_;
  std::vector<std::string> events_;
};

TEST(ReadWriteSync, ReadersShareTheLock) {
  TaaReadWriteSync sync;
  constexpr int kReaders = 8;
  std::latch all_inside(kReaders);
  std::vector<std::jthread> readers;
  for (int i = 0; i < kReaders; ++i) {
    readers.emplace_back([&] {
      sync.StartRead();
      all_inside.arrive_and_wait();  // only passes when every reader is inside at once
      sync.EndRead();
    });
  }
  readers.clear();
  EXPECT_EQ(sync.Counters().ActiveReaders, 0);
}

TEST(ReadWriteSync, LeavingWriterLetsAllWaitingReadersInTogether) {
  TaaReadWriteSync sync;
  sync.StartWrite();
  std::latch release(1);
  std::mutex seen_m;
  std::vector<int32_t> seen;  // ActiveReaders as each reader got in
  std::vector<std::jthread> readers;
  for (int i = 0; i < 3; ++i) {
    readers.emplace_back([&] {
      sync.StartRead();
      {
        std::lock_guard<std::mutex> hold(seen_m);
        seen.push_back(sync.Counters().ActiveReaders);
      }
      release.wait();
      sync.EndRead();
    });
  }
  ASSERT_TRUE(WaitUntil([&] { return sync.Counters().WaitingReaders == 3; }));
  EXPECT_EQ(sync.Counters().ActiveReaders, 0);

  sync.EndWrite();
  // The writer counted every reader in before any of them ran.
  const auto c = sync.Counters();
  EXPECT_EQ(c.ActiveReaders, 3);
  EXPECT_EQ(c.WaitingReaders, 0);
  EXPECT_FALSE(c.WriterActive);
  ASSERT_TRUE(WaitUntil([&] {
    std::lock_guard<std::mutex> hold(seen_m);
    return seen.size() == 3;
  }));
  EXPECT_EQ(seen, (std::vector<int32_t>{3, 3, 3}));
  release.count_down();
  readers.clear();
  EXPECT_EQ(sync.Counters().ActiveReaders, 0);
}

TEST(ReadWriteSync, WaitingWriterGoesBeforeLaterReader) {
  TaaReadWriteSync sync;
  TEvents events;
  std::latch writer_may_leave(1);
  sync.StartRead();

  std::jthread writer([&] {
    sync.StartWrite();
    events.Add("writer in");
    writer_may_leave.wait();
    events.Add("writer out");
    sync.EndWrite();
  });
  ASSERT_TRUE(WaitUntil([&] { return sync.Counters().WaitingWriters == 1; }));

  std::jthread reader([&] {
    sync.StartRead();
    events.Add("reader in");
    sync.EndRead();
  });
  // The second reader queues behind the waiting writer although a reader is inside.
  ASSERT_TRUE(WaitUntil([&] { return sync.Counters().WaitingReaders == 1; }));
  EXPECT_EQ(sync.Counters().ActiveReaders, 1);

  sync.EndRead();
  ASSERT_TRUE(WaitUntil([&] { return !events.Get().empty(); }));
  const auto c = sync.Counters();
  EXPECT_TRUE(c.WriterActive);
  EXPECT_EQ(c.WaitingReaders, 1);

  writer_may_leave.count_down();
  writer.join();
  reader.join();
  EXPECT_EQ(events.Get(), (std::vector<std::string>{"writer in", "writer out", "reader in"}));
}

TEST(ReadWriteSync, SecondWriterWaitsForTheFirst) {
  TaaReadWriteSync sync;
  TEvents events;
  sync.StartWrite();
  std::jthread second([&] {
    sync.StartWrite();
    events.Add("second in");
    sync.EndWrite();
  });
  ASSERT_TRUE(WaitUntil([&] { return sync.Counters().WaitingWriters == 1; }));
  events.Add("first out");
  sync.EndWrite();
  second.join();
  EXPECT_EQ(events.Get(), (std::vector<std::string>{"first out", "second in"}));
  const auto c = sync.Counters();
  EXPECT_FALSE(c.WriterActive);
  EXPECT_EQ(c.WaitingWriters, 0);
}

TEST(ThreadedList, AddGetDeleteClear) {
  TThreadedList<int> list;
  int a = 1, b = 2, c = 3;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&b), 1);
  EXPECT_EQ(list.Add(&c), 2);
  list.Delete(0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Get(0), &b);  // later slots moved down
  EXPECT_EQ(list.Get(1), &c);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(c, 3);  // items are not the list's to free
}

TEST(ThreadedList, IndexOutOfRangeReachesCallerAndFreesTheLock) {
  TThreadedList<int> list;
  int a = 1;
  list.Add(&a);
  for (int index : {-1, 1, 100}) {
    EXPECT_THROW(list.Get(index), std::out_of_range) << index;
    EXPECT_THROW(list.Delete(index), std::out_of_range) << index;
  }
  const auto c = list.Lock().Counters();
  EXPECT_EQ(c.ActiveReaders, 0);
  EXPECT_FALSE(c.WriterActive);
  list.Delete(0);  // would block forever if a failed call had kept the lock
  EXPECT_EQ(list.Count(), 0);
}

TEST(ThreadedList, WriterAndReadersConcurrently) {
  TThreadedList<int> list;
  std::vector<int> items(1000);
  std::jthread writer([&] {
    for (auto& item : items) list.Add(&item);
    while (list.Count() > 0) list.Delete(0);
  });
  std::vector<std::jthread> readers;
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&] {
      for (int round = 0; round < 200; ++round) {
        const int n = list.Count();
        for (int i = 0; i < n; ++i) {
          try {
            EXPECT_NE(list.Get(i), nullptr);
          } catch (const std::out_of_range&) {
            // the list shrank between Count and Get, as callers must expect
          }
        }
      }
    });
  }
}

}  // namespace
}  // namespace ostrovel
