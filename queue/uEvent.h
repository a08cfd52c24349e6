// TEvent: a manual-reset event that can be waited on together with other
// descriptors (it is an eventfd), as the watchers wait for a wake-up or a
// spooler change, whichever comes first.
//
// Threads: any thread may set, reset, test or wait.
#pragma once

namespace ostrovel {

class TEvent {
 public:
  explicit TEvent(bool signalled = false);
  ~TEvent();
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const { return Wait(0); }
  // True when the event is (or becomes) signalled within timeoutMs.
  bool Wait(int timeoutMs) const;
  // Polls readable while signalled.
  int Fd() const { return fd_; }

 private:
  int fd_;
};

// Waits for the first of two descriptors (changeFd may be -1: only the
// event and the time-out count). Returns 0 for wakeFd, 1 for changeFd,
// 2 for the time-out and -1 when the wait failed.
int WaitForTwo(int wakeFd, int changeFd, int timeoutMs);

}  // namespace ostrovel
