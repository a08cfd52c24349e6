// A fixed pool of worker threads fed by a first-in, first-out request queue.
//
// The pool's threads start at once and idle until requests arrive. Finish is
// final: afterwards pushes are dropped and no worker takes a new request.
// Requests left in the queue are released unhandled when the pool goes.
//
// Threads: Add and Finish from any thread; the handler runs on the workers;
// the pool is created and destroyed by its owner's thread. The pool owns each
// request from Add on and releases it after the handler returns or fails.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ostrovel {

// One piece of work handed from a producer to the pool's handler.
struct TRequest {
  int32_t Kind = 0;     // the error log uses 1: write an error line
  int32_t Code = 0;     // the first number of the request
  int32_t OsError = 0;  // the second number
  std::u16string Text;
};

class TThreadQueue {
 public:
  TThreadQueue() = default;
  TThreadQueue(const TThreadQueue&) = delete;
  TThreadQueue& operator=(const TThreadQueue&) = delete;

  // Queues the request unless finished; a dropped request is released.
  void Push(std::unique_ptr<TRequest> request);
  // Waits for the next request; null once the queue is finished.
  std::unique_ptr<TRequest> Pop();
  // Wakes every waiting Pop and makes the queue refuse all further work.
  void Finish();
  bool Finished() const { return finished_.load(); }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::unique_ptr<TRequest>> requests_;
  std::atomic<bool> finished_{false};
};

// A worker thread that runs one procedure with itself as the argument.
class TSimpleThread {
 public:
  using TProc = std::function<void(TSimpleThread&)>;

  explicit TSimpleThread(TProc proc);
  TSimpleThread(const TSimpleThread&) = delete;
  TSimpleThread& operator=(const TSimpleThread&) = delete;
  ~TSimpleThread();  // waits for the thread to end

  void Terminate() { terminated_.store(true); }
  bool Terminated() const { return terminated_.load(); }
  void WaitFor();

 private:
  std::atomic<bool> terminated_{false};
  TProc proc_;
  std::thread thread_;  // last, so it starts after the fields it reads
};

class TThreadPool {
 public:
  using THandler = std::function<void(TRequest&, TSimpleThread&)>;

  TThreadPool(int threadCount, THandler handler);
  TThreadPool(const TThreadPool&) = delete;
  TThreadPool& operator=(const TThreadPool&) = delete;
  // Finishes the queue and waits for every handler still running.
  ~TThreadPool();

  void Add(std::unique_ptr<TRequest> request) { queue_.Push(std::move(request)); }
  void Finish() { queue_.Finish(); }
  TThreadQueue& Queue() { return queue_; }

 private:
  void Work(TSimpleThread& thread);

  THandler handler_;
  TThreadQueue queue_;
  std::vector<std::unique_ptr<TSimpleThread>> threads_;
};

}  // namespace ostrovel
