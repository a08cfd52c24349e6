#include "uRWSync.h"

namespace ostrovel {

void TaaReadWriteSync::StartRead() {
  bool blocked = false;
  {
    std::lock_guard<std::mutex> hold(Controller);
    if (WriterActive || WaitingWriters > 0) {
      ++WaitingReaders;
      blocked = true;
    } else {
      ++ActiveReaders;
    }
  }
  if (blocked) BlockedReaders.acquire();
}

void TaaReadWriteSync::StartWrite() {
  bool blocked = false;
  {
    std::lock_guard<std::mutex> hold(Controller);
    if (WriterActive || ActiveReaders > 0) {
      ++WaitingWriters;
      blocked = true;
    } else {
      WriterActive = true;
    }
  }
  if (blocked) BlockedWriters.acquire();
}

void TaaReadWriteSync::EndRead() {
  std::lock_guard<std::mutex> hold(Controller);
  --ActiveReaders;
  if (ActiveReaders == 0 && WaitingWriters > 0) {
    --WaitingWriters;
    WriterActive = true;
    BlockedWriters.release();
  }
}

void TaaReadWriteSync::EndWrite() {
  std::lock_guard<std::mutex> hold(Controller);
  WriterActive = false;
  if (WaitingReaders > 0) {
    // One permit per reader, each counted in before any of them runs.
    while (WaitingReaders > 0) {
      --WaitingReaders;
      ++ActiveReaders;
      BlockedReaders.release();
    }
  } else if (WaitingWriters > 0) {
    --WaitingWriters;
    WriterActive = true;
    BlockedWriters.release();
  }
}

TaaReadWriteSync::TCounters TaaReadWriteSync::Counters() const {
  std::lock_guard<std::mutex> hold(Controller);
  return {ActiveReaders, WriterActive, WaitingReaders, WaitingWriters};
}

}  // namespace ostrovel
