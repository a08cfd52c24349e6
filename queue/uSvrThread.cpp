#include "uSvrThread.h"

#include <atomic>

#include "uMainThread.h"
#include "uPrnThread.h"
#include "uProcs.h"

namespace ostrovel {

namespace {
std::atomic<int> waitTimeoutMs{30000};
}  // namespace

void TSvrThread::SetWaitTimeoutMs(int ms) { waitTimeoutMs.store(ms); }

TSvrThread::TSvrThread(std::u16string name, TOnStatus onStatus)
    : TWatcher(std::move(name), true), onStatus_(std::move(onStatus)) {}

void TSvrThread::ClearStatusCallback() {
  std::lock_guard hold(callbackLock_);
  onStatus_ = nullptr;
}

void TSvrThread::Open() {
  wake_.Reset();
  const auto spooler = CurrentSpooler();
  auto opened = spooler ? spooler->OpenPrinter(Name(), paDefault)
                        : TSpoolResult<std::unique_ptr<TPrinterHandle>>::Fail(seInvalidHandle);
  if (!opened.Ok() || !opened.Value) return;
  handle_ = std::move(opened.Value);
  TNotifyOptions options = PrinterNotifyOptions();
  options.JobFields.clear();
  auto watch = handle_->WatchChanges(chAll, options);
  if (watch.Ok()) change_ = std::move(watch.Value);
}

void TSvrThread::Close() {
  change_.reset();
  handle_.reset();
}

void TSvrThread::Execute() {
  Open();
  while (!StopRequested()) {
    try {
      const int woke = WaitForTwo(wake_.Fd(), change_ ? change_->WaitFd() : -1, waitTimeoutMs.load());
      if (woke == 0 || StopRequested()) break;
      if (woke == 1) {
        if (!HandleServerChange()) {
          Close();
          Open();
        }
      } else if (woke == 2) {
        if (!(handle_ && PrinterHandleAlive(*handle_))) {
          Close();
          Open();
        }
      } else {
        Close();
        Open();
      }
    } catch (...) {
    }
  }
  Close();
}

bool TSvrThread::HandleServerChange() {
  auto read = change_->Next(0);
  if (!read.Ok()) return false;
  if (read.Value.Change & chAddPrinter) {
    TOnStatus receiver;
    {
      std::lock_guard hold(callbackLock_);
      receiver = onStatus_;
    }
    if (receiver) {
      const std::u16string name = Name();
      MainThreadCaller()->RunAndWait([&] { receiver(name, 0); });
    }
  }
  if (read.Value.Info && (read.Value.Info->Flags & kNotifyDiscarded)) change_->Next(kNotifyRefresh);
  return true;
}

}  // namespace ostrovel
