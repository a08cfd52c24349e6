#include "uWatcher.h"

#include <chrono>
#include <thread>

namespace ostrovel {

TWatcher::TWatcher(std::u16string name, bool isServer)
    : name_(name.substr(0, kMaxPrinterName)), isServer_(isServer) {}

std::u16string TWatcher::Name() const {
  std::lock_guard hold(nameLock_);
  return name_;
}

void TWatcher::SetName(std::u16string name) {
  std::lock_guard hold(nameLock_);
  name_ = name.substr(0, kMaxPrinterName);
}

void TWatcher::Start() {
  std::thread([self = shared_from_this()] {
    try {
      self->Execute();
    } catch (...) {
      if (!self->StopRequested()) self->Failed();
    }
    std::lock_guard hold(self->endLock_);
    self->ended_ = true;
    self->endChanged_.notify_all();
  }).detach();
}

bool TWatcher::WaitEnded(int timeoutMs) {
  std::unique_lock hold(endLock_);
  return endChanged_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] { return ended_; });
}

}  // namespace ostrovel
