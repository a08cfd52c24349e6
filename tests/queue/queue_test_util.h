// Helpers shared by the queue library's tests.
#pragma once

#include <chrono>
#include <thread>

namespace ostrovel::test {

// Polls until pred holds or ten seconds pass; for states another thread
// reaches only by blocking (a thread parked on a lock cannot signal).
template <class Pred>
bool WaitUntil(Pred pred) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace ostrovel::test
