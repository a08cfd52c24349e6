// The engine's way to run code on the main thread: a watcher hands a
// receiver call over and waits until the main thread has run it. The main
// thread never waits for a watcher.
//
// Threads: RunAndWait is called from watcher threads; the call runs on the
// main thread (the GUI's event loop, a tool's loop, or inline in tests).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace ostrovel {

class TMainThreadCaller {
 public:
  virtual ~TMainThreadCaller() = default;
  virtual void RunAndWait(const std::function<void()>& call) = 0;
};

// Runs each call on the calling thread, serialised by a lock (tests).
class TInlineCaller : public TMainThreadCaller {
 public:
  void RunAndWait(const std::function<void()>& call) override {
    std::lock_guard hold(lock_);
    call();
  }

 private:
  std::mutex lock_;
};

// Queues calls for a loop of the main thread to run with RunPending.
class TQueuedCaller : public TMainThreadCaller {
 public:
  void RunAndWait(const std::function<void()>& call) override;
  // Runs the queued calls; waits up to timeoutMs for the first one.
  // Returns how many ran.
  int RunPending(int timeoutMs);
  // Calls that arrive after Close run at once on their own thread, so that
  // no watcher waits for a main loop that has ended.
  void Close();

 private:
  int RunQueued(std::unique_lock<std::mutex>& hold);

  struct TCall {
    const std::function<void()>* call;
    bool done = false;
  };
  std::mutex lock_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<TCall>> pending_;
  bool closed_ = false;
};

// The caller the engine uses; set once at start (tests set their own).
void SetMainThreadCaller(std::shared_ptr<TMainThreadCaller> caller);
std::shared_ptr<TMainThreadCaller> MainThreadCaller();

}  // namespace ostrovel
