#include "ThreadPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <latch>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "queue_test_util.h"

namespace ostrovel {
namespace {

using test::WaitUntil;

std::unique_ptr<TRequest> MakeRequest(int32_t code) {
  auto r = std::make_unique<TRequest>();
  r->Kind = 1;
  r->Code = code;
  return r;
}

// Codes in the order the handler saw them.
class TSeen {
 public:
  void Add(int32_t code) {
    std::lock_guard<std::mutex> hold(m_);
    codes_.push_back(code);
  }
  std::vector<int32_t> Get() {
    std::lock_guard<std::mutex> hold(m_);
    return codes_;
  }

 private:
  std::mutex m_;
  std::vector<int32_t> codes_;
};

TEST(ThreadPool, OneThreadHandlesRequestsInOrder) {
  constexpr int kCount = 200;
  TSeen seen;
  std::latch done(kCount);
  {
    TThreadPool pool(1, [&](TRequest& r, TSimpleThread&) {
      seen.Add(r.Code);
      done.count_down();
    });
    for (int i = 0; i < kCount; ++i) pool.Add(MakeRequest(i));
    done.wait();
  }
  std::vector<int32_t> expected(kCount);
  for (int i = 0; i < kCount; ++i) expected[i] = i;
  EXPECT_EQ(seen.Get(), expected);
}

TEST(ThreadPool, FailingHandlerDoesNotStopTheWorker) {
  TSeen seen;
  std::latch done(4);
  TThreadPool pool(1, [&](TRequest& r, TSimpleThread&) {
    seen.Add(r.Code);
    done.count_down();
    if (r.Code == 1) throw std::runtime_error("handler failed");
    if (r.Code == 2) throw 42;  // not even a std::exception
  });
  for (int i = 0; i < 4; ++i) pool.Add(MakeRequest(i));
  done.wait();
  EXPECT_EQ(seen.Get(), (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST(ThreadPool, SeveralThreadsHandleEveryRequest) {
  constexpr int kCount = 300;
  TSeen seen;
  std::latch done(kCount);
  TThreadPool pool(3, [&](TRequest& r, TSimpleThread&) {
    seen.Add(r.Code);
    done.count_down();
  });
  for (int i = 0; i < kCount; ++i) pool.Add(MakeRequest(i));
  done.wait();
  auto codes = seen.Get();
  std::sort(codes.begin(), codes.end());
  for (int i = 0; i < kCount; ++i) ASSERT_EQ(codes[i], i);
}

TEST(ThreadPool, FinishIsFinal) {
  TSeen seen;
  std::latch first_inside(1);
  std::latch gate(1);
  TThreadPool pool(1, [&](TRequest& r, TSimpleThread&) {
    seen.Add(r.Code);
    if (r.Code == 0) {
      first_inside.count_down();
      gate.wait();
    }
  });
  pool.Add(MakeRequest(0));
  first_inside.wait();
  pool.Add(MakeRequest(1));  // queued behind the running one
  pool.Finish();
  pool.Add(MakeRequest(2));  // dropped
  gate.count_down();
  ASSERT_TRUE(WaitUntil([&] { return pool.Queue().Finished(); }));
  EXPECT_EQ(pool.Queue().Pop(), nullptr);
  // Leftover requests are released by the pool, which the leak checker verifies.
  EXPECT_EQ(seen.Get().front(), 0);
}

TEST(ThreadPool, DestroyWaitsForTheRunningHandler) {
  TSeen seen;
  std::latch inside(1);
  std::latch gate(1);
  auto pool = std::make_unique<TThreadPool>(1, [&](TRequest& r, TSimpleThread&) {
    inside.count_down();
    gate.wait();
    seen.Add(1);  // handler returned
  });
  pool->Add(MakeRequest(0));
  inside.wait();
  // The queue stays alive until the destructor has joined the worker, which
  // cannot happen before the gate opens.
  TThreadQueue& queue = pool->Queue();
  std::jthread destroyer([&] {
    pool.reset();
    seen.Add(2);  // destruction returned
  });
  ASSERT_TRUE(WaitUntil([&] { return queue.Finished(); }));
  gate.count_down();
  destroyer.join();
  EXPECT_EQ(seen.Get(), (std::vector<int32_t>{1, 2}));
}

}  // namespace
}  // namespace ostrovel
