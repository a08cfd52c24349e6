// WatcherRegistry: the process-wide list of running printer and server
// watchers, one per name (letter case aside).
//
// Threads: any thread; the list is guarded by a lock of its own, and the
// watchers it hands out stay valid for as long as the caller holds them.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "uPrnThread.h"
#include "uSvrThread.h"

namespace ostrovel {

class TWatcherRegistry {
 public:
  // Starts a printer watcher; false when the name is watched already.
  bool AddPrinterThread(std::u16string_view name, TPrnCallbacks callbacks);
  // Starts a server watcher ("\\computer") unless the name is watched.
  void AddServerThread(std::u16string_view name, TSvrThread::TOnStatus onStatus);
  // The index of the watcher with this name, or -1.
  int FindPrinterThread(std::u16string_view name) const;
  // Stops the watcher at index and removes it at once (without waiting).
  void DeletePrinterThreadId(int index);
  void DeletePrinterThread(std::u16string_view name);
  // Asks the printer's watcher for a refresh; false when there is none.
  bool RefreshPrinterThread(std::u16string_view name);

  std::shared_ptr<TPrnThread> FindPrinterWatcher(std::u16string_view name) const;
  std::vector<std::shared_ptr<TWatcher>> Watchers() const;
  int Count() const;

  // A watcher that failed unexpectedly gives way to a new one for its name.
  void ReplacePrinterThread(TPrnThread& failed);
  // Stops every watcher and waits up to timeoutMs for each (shutdown, tests).
  void StopAll(int timeoutMs);

 private:
  int FindLocked(std::u16string_view name) const;

  mutable std::mutex lock_;
  std::vector<std::shared_ptr<TWatcher>> watchers_;
};

TWatcherRegistry& WatcherRegistry();

}  // namespace ostrovel
