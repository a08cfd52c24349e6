// Many-readers/one-writer lock with hand-over on release.
//
// Policy: a reader arriving while a writer waits queues behind it, so readers
// cannot starve a writer; a leaving writer lets every waiting reader in before
// the next writer; the counters of a woken thread are set by the thread that
// wakes it, before it runs. Not re-entrant and without an owner record: a
// thread asking again, in either mode, while it holds the lock blocks forever,
// and a reader cannot upgrade to a writer.
//
// Threads: any thread may call any operation.
#pragma once

#include <cstdint>
#include <mutex>
#include <semaphore>

namespace ostrovel {

class TaaReadWriteSync {
 public:
  // The counters as the controller sees them at one moment.
  struct TCounters {
    int32_t ActiveReaders;
    bool WriterActive;
    int32_t WaitingReaders;
    int32_t WaitingWriters;
  };

  TaaReadWriteSync() = default;
  TaaReadWriteSync(const TaaReadWriteSync&) = delete;
  TaaReadWriteSync& operator=(const TaaReadWriteSync&) = delete;

  void StartRead();
  void EndRead();
  void StartWrite();
  void EndWrite();

  TCounters Counters() const;

 private:
  // Blocked threads wait here without holding Controller; a waker grants
  // entry by setting the counters and releasing one permit per thread.
  std::counting_semaphore<> BlockedReaders{0};
  std::binary_semaphore BlockedWriters{0};
  mutable std::mutex Controller;
  int32_t ActiveReaders = 0;
  bool WriterActive = false;
  int32_t WaitingReaders = 0;
  int32_t WaitingWriters = 0;
};

// Scoped read and write holds, released on every path.
class TReadLock {
 public:
  explicit TReadLock(TaaReadWriteSync& sync) : sync_(sync) { sync_.StartRead(); }
  ~TReadLock() { sync_.EndRead(); }
  TReadLock(const TReadLock&) = delete;
  TReadLock& operator=(const TReadLock&) = delete;

 private:
  TaaReadWriteSync& sync_;
};

class TWriteLock {
 public:
  explicit TWriteLock(TaaReadWriteSync& sync) : sync_(sync) { sync_.StartWrite(); }
  ~TWriteLock() { sync_.EndWrite(); }
  TWriteLock(const TWriteLock&) = delete;
  TWriteLock& operator=(const TWriteLock&) = delete;

 private:
  TaaReadWriteSync& sync_;
};

}  // namespace ostrovel
