#include "uWorkPool.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace ostrovel {

TWorkPool::TWorkPool(int threadLimit, bool lowestPriority)
    : limit_(std::max(threadLimit, 1)), lowestPriority_(lowestPriority) {}

TWorkPool::~TWorkPool() {
  {
    std::lock_guard hold(lock_);
    stopping_ = true;
    items_.clear();
  }
  changed_.notify_all();
  for (auto& t : threads_) t.join();
}

void TWorkPool::SetThreadLimit(int limit) {
  std::lock_guard hold(lock_);
  limit_ = std::max(limit, 1);
}

bool TWorkPool::Queue(std::function<void()> item) {
  std::lock_guard hold(lock_);
  if (stopping_) return false;
  items_.push_back(std::move(item));
  if (idle_ == 0 && static_cast<int>(threads_.size()) < limit_) threads_.emplace_back([this] { Work(); });
  changed_.notify_one();
  return true;
}

void TWorkPool::Drain() {
  std::unique_lock hold(lock_);
  changed_.wait(hold, [this] { return items_.empty() && running_ == 0; });
}

void TWorkPool::Work() {
  // Analysis must never slow down what the user is doing.
  if (lowestPriority_) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
  std::unique_lock hold(lock_);
  for (;;) {
    ++idle_;
    changed_.wait(hold, [this] { return stopping_ || !items_.empty(); });
    --idle_;
    if (stopping_) return;
    auto item = std::move(items_.front());
    items_.pop_front();
    ++running_;
    hold.unlock();
    try {
      item();
    } catch (...) {
    }
    hold.lock();
    --running_;
    changed_.notify_all();
  }
}

}  // namespace ostrovel
