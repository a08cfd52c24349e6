#include "uMainThread.h"

#include <chrono>

namespace ostrovel {

void TQueuedCaller::RunAndWait(const std::function<void()>& call) {
  auto entry = std::make_shared<TCall>();
  entry->call = &call;
  std::unique_lock hold(lock_);
  if (closed_) {
    hold.unlock();
    call();
    return;
  }
  pending_.push_back(entry);
  changed_.notify_all();
  changed_.wait(hold, [&] { return entry->done; });
}

int TQueuedCaller::RunPending(int timeoutMs) {
  std::unique_lock hold(lock_);
  changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] { return !pending_.empty(); });
  return RunQueued(hold);
}

void TQueuedCaller::Close() {
  std::unique_lock hold(lock_);
  closed_ = true;
  RunQueued(hold);
}

int TQueuedCaller::RunQueued(std::unique_lock<std::mutex>& hold) {
  int ran = 0;
  while (!pending_.empty()) {
    auto entry = pending_.front();
    pending_.pop_front();
    hold.unlock();
    try {
      (*entry->call)();
    } catch (...) {
      // A receiver's failure must not stop the loop or the waiting watcher.
    }
    hold.lock();
    entry->done = true;
    ++ran;
    changed_.notify_all();
  }
  return ran;
}

namespace {
std::mutex callerLock;
std::shared_ptr<TMainThreadCaller> currentCaller = std::make_shared<TInlineCaller>();
}  // namespace

void SetMainThreadCaller(std::shared_ptr<TMainThreadCaller> caller) {
  std::lock_guard hold(callerLock);
  currentCaller = std::move(caller);
}

std::shared_ptr<TMainThreadCaller> MainThreadCaller() {
  std::lock_guard hold(callerLock);
  return currentCaller;
}

}  // namespace ostrovel
