// TSvrThread: the watcher of one computer's spooler. It reports printers
// added on that computer so the folder tree can list them.
//
// Threads: its own thread; OnStatus runs on the main thread.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "uSpooler.h"
#include "uWatcher.h"

namespace ostrovel {

class TSvrThread : public TWatcher {
 public:
  using TOnStatus = std::function<void(const std::u16string& name, uint8_t code)>;

  TSvrThread(std::u16string name, TOnStatus onStatus);

  void ClearStatusCallback();
  // How long a wait lasts before the handle is checked (30 s).
  static void SetWaitTimeoutMs(int ms);

 private:
  void Execute() override;
  void Open();
  void Close();
  bool HandleServerChange();

  mutable std::mutex callbackLock_;
  TOnStatus onStatus_;
  std::unique_ptr<TPrinterHandle> handle_;
  std::unique_ptr<TChangeNotification> change_;
};

}  // namespace ostrovel
