#include "uNameLock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

namespace ostrovel {

namespace {

std::mutex namesLock;
std::condition_variable freed;
std::set<std::u16string> held;
std::multiset<std::u16string> waiting;
std::atomic<int> waitCount{60};
std::atomic<int> waitMs{1000};

}  // namespace

TNameLock::TNameLock(std::u16string name) : name_(std::move(name)) {
  std::unique_lock hold(namesLock);
  const int waits = waitCount.load();
  for (int i = 0;; ++i) {
    if (held.insert(name_).second) {
      owned_ = true;
      return;
    }
    if (i == waits) return;
    // One wait lasts until the name is freed or the pause is over.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs.load());
    const auto me = waiting.insert(name_);
    freed.wait_until(hold, until, [this] { return held.count(name_) == 0; });
    waiting.erase(me);
  }
}

TNameLock::~TNameLock() {
  if (!owned_) return;
  {
    std::lock_guard hold(namesLock);
    held.erase(name_);
  }
  freed.notify_all();
}

void TNameLock::SetWaits(int count, int ms) {
  waitCount.store(count);
  waitMs.store(ms);
}

int TNameLock::Waiting(const std::u16string& name) {
  std::lock_guard hold(namesLock);
  return static_cast<int>(waiting.count(name));
}

std::u16string PrinterLockName(std::u16string_view printer) {
  std::u16string name(printer);
  for (char16_t& c : name)
    if (c == u'\\') c = u'_';
  return name;
}

}  // namespace ostrovel
