// A list of item pointers shared by one writer thread and many readers.
//
// The lock guards the slots only, not the items: a pointer returned by Get is
// used after the read lock is released, and the list never frees an item (the
// owner frees them before destroying the list). Count and Get each take the
// lock on their own, so a loop over Count and Get sees a list that may change
// between calls. Callers that must keep an item alive while they use it hold
// Lock() for reading around the whole use.
//
// Threads: any thread; in this system one watcher writes, the parse requests
// and the main thread read.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "uRWSync.h"

namespace ostrovel {

template <class T>
class TThreadedList {
 public:
  TThreadedList() = default;
  TThreadedList(const TThreadedList&) = delete;
  TThreadedList& operator=(const TThreadedList&) = delete;
  virtual ~TThreadedList() = default;

  // Appends the item and returns its index.
  int Add(T* item) {
    TWriteLock hold(lock_);
    items_.push_back(item);
    return static_cast<int>(items_.size()) - 1;
  }

  // Empties the list; the items stay allocated.
  virtual void Clear() {
    TWriteLock hold(lock_);
    items_.clear();
  }

  // Removes one slot; later slots move down by one. Throws std::out_of_range.
  void Delete(int index) {
    TWriteLock hold(lock_);
    CheckIndex(index);
    items_.erase(items_.begin() + index);
  }

  // Throws std::out_of_range.
  T* Get(int index) const {
    TReadLock hold(lock_);
    CheckIndex(index);
    return items_[static_cast<size_t>(index)];
  }

  int Count() const {
    TReadLock hold(lock_);
    return static_cast<int>(items_.size());
  }

  TaaReadWriteSync& Lock() const { return lock_; }

  // For callers that hold Lock() themselves (reading or writing).
  int CountLocked() const { return static_cast<int>(items_.size()); }
  T* GetLocked(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)];
  }
  void DeleteLocked(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
  }
  void ClearLocked() { items_.clear(); }

 private:
  void CheckIndex(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= items_.size())
      throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }

  std::vector<T*> items_;
  mutable TaaReadWriteSync lock_;
};

}  // namespace ostrovel
