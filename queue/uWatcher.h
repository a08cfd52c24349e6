// The common head of printer and server watchers: a name, the kind, a wake
// event, a stop request and a thread of its own that keeps the watcher
// alive while it runs.
//
// Threads: the watcher's thread runs Execute; any thread may read the name,
// request a stop or signal the wake event.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "uEvent.h"

namespace ostrovel {

class TWatcher : public std::enable_shared_from_this<TWatcher> {
 public:
  virtual ~TWatcher() = default;
  TWatcher(const TWatcher&) = delete;
  TWatcher& operator=(const TWatcher&) = delete;

  std::u16string Name() const;
  bool IsServer() const { return isServer_; }
  TEvent& WakeEvent() { return wake_; }

  void RequestStop() {
    stop_.store(true);
    wake_.Set();
  }
  bool StopRequested() const { return stop_.load(); }

  // Starts the thread; it holds the watcher until Execute returns.
  void Start();
  // Waits for the thread to end; false on time-out.
  bool WaitEnded(int timeoutMs);

 protected:
  TWatcher(std::u16string name, bool isServer);
  void SetName(std::u16string name);
  virtual void Execute() = 0;
  // Runs when a failure escapes Execute without a stop request.
  virtual void Failed() {}

  TEvent wake_;

 private:
  mutable std::mutex nameLock_;
  std::u16string name_;
  const bool isServer_;
  std::atomic<bool> stop_{false};
  std::mutex endLock_;
  std::condition_variable endChanged_;
  bool ended_ = false;
};

constexpr size_t kMaxPrinterName = 260;

}  // namespace ostrovel
