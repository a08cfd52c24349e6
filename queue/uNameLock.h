// A process-wide lock by name: parse requests of one printer take the lock
// named after it, so that one printer's jobs are analysed one at a time.
//
// A later taker waits while the name is held, woken as soon as it is
// freed; after 60 waits of a second each it goes on without the lock.
//
// Threads: any; a TNameLock belongs to the thread that made it.
#pragma once

#include <string>

namespace ostrovel {

class TNameLock {
 public:
  explicit TNameLock(std::u16string name);
  ~TNameLock();
  TNameLock(const TNameLock&) = delete;
  TNameLock& operator=(const TNameLock&) = delete;

  // Whether this taker holds the name (false after the waits ran out).
  bool Owned() const { return owned_; }

  // The waits and their length (tests).
  static void SetWaits(int count, int ms);
  // How many takers wait for name now (tests).
  static int Waiting(const std::u16string& name);

 private:
  std::u16string name_;
  bool owned_ = false;
};

// The lock name of a printer: every "\" becomes "_".
std::u16string PrinterLockName(std::u16string_view printer);

}  // namespace ostrovel
