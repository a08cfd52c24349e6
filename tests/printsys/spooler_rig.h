// A spooler to run the shared behaviour tests against, and bounded waits for
// its changes. Each test binary links one rig: the in-process spooler, or a
// private cupsd.
#pragma once

#include <poll.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "uSpooler.h"
#include "uText.h"

namespace ostrovel::test {

class TSpoolerRig {
 public:
  virtual ~TSpoolerRig() = default;
  virtual TSpooler& Spooler() = 0;
  // A new raw queue: idle, accepting jobs, no jobs.
  virtual std::u16string AddPrinter(const std::string& name) = 0;
  // A job submitted on hold, as an application's user would submit it.
  virtual uint32_t SubmitHeld(const std::u16string& printer, const std::string& title,
                              const std::string& data) = 0;
  // Whether the spooler finishes released jobs by itself.
  virtual bool PrintsJobs() const = 0;
};

// The rig of this test binary, made once and kept for the whole run.
TSpoolerRig& Rig();

// Polls check every 20 ms until it holds or about 10 s have passed.
template <class F>
bool Eventually(F check) {
  for (int i = 0; i < 500; ++i) {
    if (check()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return check();
}

// Reads the registration until found(items so far) holds or about 10 s
// have passed; returns everything read with the change words or-ed.
template <class F>
TChangeRead ReadUntil(TChangeNotification& n, F found) {
  TChangeRead all;
  all.Info.emplace();
  for (int i = 0; i < 100 && !found(all); ++i) {
    pollfd p{n.WaitFd(), POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    auto r = n.Next(0);
    if (!r.Ok()) break;
    all.Change |= r.Value.Change;
    if (r.Value.Info) {
      all.Info->Flags |= r.Value.Info->Flags;
      for (auto& item : r.Value.Info->Items) all.Info->Items.push_back(std::move(item));
    }
  }
  return all;
}

inline std::u16string W(const std::string& s) {
  return Utf8ToWide(s);
}

}  // namespace ostrovel::test
