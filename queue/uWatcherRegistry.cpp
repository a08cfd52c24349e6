#include "uWatcherRegistry.h"

#include <cerrno>

#include "uLogs.h"
#include "uSpoolName.h"

namespace ostrovel {

TWatcherRegistry& WatcherRegistry() {
  static TWatcherRegistry registry;
  return registry;
}

namespace {

// Stops a watcher that has left the registry; a post already under way is
// the last its receivers get.
void Retire(const std::shared_ptr<TWatcher>& watcher) {
  if (watcher->IsServer())
    static_cast<TSvrThread&>(*watcher).ClearStatusCallback();
  else
    static_cast<TPrnThread&>(*watcher).ClearPrinterInfoCallback();
  watcher->RequestStop();
}

}  // namespace

int TWatcherRegistry::FindLocked(std::u16string_view name) const {
  for (size_t i = 0; i < watchers_.size(); ++i)
    if (SameText(watchers_[i]->Name(), name)) return static_cast<int>(i);
  return -1;
}

bool TWatcherRegistry::AddPrinterThread(std::u16string_view name, TPrnCallbacks callbacks) {
  std::shared_ptr<TPrnThread> watcher;
  {
    std::lock_guard hold(lock_);
    if (FindLocked(name) >= 0) return false;
    watcher = TPrnThread::Create(std::u16string(name), std::move(callbacks));
    watchers_.push_back(watcher);
  }
  watcher->Start();
  return true;
}

void TWatcherRegistry::AddServerThread(std::u16string_view name, TSvrThread::TOnStatus onStatus) {
  std::shared_ptr<TSvrThread> watcher;
  {
    std::lock_guard hold(lock_);
    if (FindLocked(name) >= 0) return;
    watcher = std::make_shared<TSvrThread>(std::u16string(name), std::move(onStatus));
    watchers_.push_back(watcher);
  }
  watcher->Start();
}

int TWatcherRegistry::FindPrinterThread(std::u16string_view name) const {
  std::lock_guard hold(lock_);
  return FindLocked(name);
}

void TWatcherRegistry::DeletePrinterThreadId(int index) {
  try {
    std::shared_ptr<TWatcher> watcher;
    {
      std::lock_guard hold(lock_);
      if (index < 0 || static_cast<size_t>(index) >= watchers_.size()) throw std::out_of_range("index");
      watcher = watchers_[static_cast<size_t>(index)];
      watchers_.erase(watchers_.begin() + index);
    }
    Retire(watcher);
  } catch (...) {
    LogError(0, errno, "uQueue.DeletePrinterThreadId");
  }
}

void TWatcherRegistry::DeletePrinterThread(std::u16string_view name) {
  try {
    std::shared_ptr<TWatcher> watcher;
    {
      std::lock_guard hold(lock_);
      const int index = FindLocked(name);
      if (index < 0) return;
      watcher = watchers_[static_cast<size_t>(index)];
      watchers_.erase(watchers_.begin() + index);
    }
    Retire(watcher);
  } catch (...) {
    LogError(0, errno, "uQueue.DeletePrinterThread");
  }
}

bool TWatcherRegistry::RefreshPrinterThread(std::u16string_view name) {
  try {
    std::lock_guard hold(lock_);
    const int index = FindLocked(name);
    if (index < 0) return false;
    const auto& watcher = watchers_[static_cast<size_t>(index)];
    if (!watcher->IsServer()) static_cast<TPrnThread&>(*watcher).RefreshRequested.store(true);
    watcher->WakeEvent().Set();
    return true;
  } catch (...) {
    LogError(0, errno, "uQueue.RefreshPrinterThread");
    return false;
  }
}

std::shared_ptr<TPrnThread> TWatcherRegistry::FindPrinterWatcher(std::u16string_view name) const {
  std::lock_guard hold(lock_);
  const int index = FindLocked(name);
  if (index < 0 || watchers_[static_cast<size_t>(index)]->IsServer()) return nullptr;
  return std::static_pointer_cast<TPrnThread>(watchers_[static_cast<size_t>(index)]);
}

std::vector<std::shared_ptr<TWatcher>> TWatcherRegistry::Watchers() const {
  std::lock_guard hold(lock_);
  return watchers_;
}

int TWatcherRegistry::Count() const {
  std::lock_guard hold(lock_);
  return static_cast<int>(watchers_.size());
}

void TWatcherRegistry::ReplacePrinterThread(TPrnThread& failed) {
  std::shared_ptr<TPrnThread> replacement;
  {
    std::lock_guard hold(lock_);
    for (auto& entry : watchers_) {
      if (entry.get() != &failed) continue;
      replacement = TPrnThread::Create(failed.Name(), failed.Callbacks());
      entry = replacement;
      break;
    }
  }
  if (replacement) replacement->Start();
}

void TWatcherRegistry::StopAll(int timeoutMs) {
  std::vector<std::shared_ptr<TWatcher>> all;
  {
    std::lock_guard hold(lock_);
    all.swap(watchers_);
  }
  for (auto& w : all) w->RequestStop();
  for (auto& w : all) w->WaitEnded(timeoutMs);
}

}  // namespace ostrovel
