// A pool of worker threads for long-running work items, as the parse
// requests use: threads are made as work arrives, up to a limit, and run at
// the lowest scheduling priority.
//
// Threads: Queue and Drain from any thread; items run on the pool's threads.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ostrovel {

class TWorkPool {
 public:
  explicit TWorkPool(int threadLimit, bool lowestPriority = true);
  ~TWorkPool();  // waits for running items; drops queued ones
  TWorkPool(const TWorkPool&) = delete;
  TWorkPool& operator=(const TWorkPool&) = delete;

  // Queues an item; false when the pool is shutting down.
  bool Queue(std::function<void()> item);
  // Waits until no item is queued or running.
  void Drain();
  void SetThreadLimit(int limit);

 private:
  void Work();

  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> items_;
  std::vector<std::thread> threads_;
  int limit_;
  int idle_ = 0;
  int running_ = 0;
  bool stopping_ = false;
  bool lowestPriority_;
};

}  // namespace ostrovel
