// TPrnThread: the watcher of one printer. It keeps the printer's job list
// and properties up to date from the spooler's change notifications (a full
// read of the queue when there are none) and hands them to the main thread.
//
// Threads and records. The watcher's thread alone adds, removes and frees
// job records. Every write to a record's fields, and every copy of the
// records for the main thread, happens under RecordLock. Parse-request
// threads reach a record only through WithJob, which holds the job list's
// read lock (so the record cannot be freed) and RecordLock (so field and
// flag changes stay whole). The watcher never waits for the list's write
// lock while it holds RecordLock.
//
// RefreshRequested and the stop request are atomics; a writer sets them
// before it signals the wake event.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "uJobList.h"
#include "uSpooler.h"
#include "uWatcher.h"

namespace ostrovel {

// Reasons handed with a job list or a status.
enum TPostReason : uint8_t { prDeleted = 2, prQueue = 3, prRefresh = 4 };

// The printer properties a watcher posts.
struct TPrinterPost {
  std::u16string Name;
  int64_t Status = 0;  // -1 when the printer information could not be read
  uint32_t JobCount = 0;
  uint32_t Attributes = 0;
  std::u16string DriverName, PortName, Comment, Location, ShareName;
};

// Receivers on the main thread; each may be empty.
struct TPrnCallbacks {
  std::function<void(const std::u16string& name, const std::vector<TQueueJob>& jobs, uint8_t reason)> OnJobs;
  std::function<void(const std::u16string& oldName, const std::u16string& newName)> OnRename;
  std::function<void(const std::u16string& name, uint8_t reason)> OnStatus;
  std::function<void(const TPrinterPost& info)> OnPrinterInfo;
};

// The fields a printer watcher registers for, in the order it asks.
const TNotifyOptions& PrinterNotifyOptions();

class TPrnThread : public TWatcher {
 public:
  TPrnThread(std::u16string name, TPrnCallbacks callbacks);
  ~TPrnThread() override;

  static std::shared_ptr<TPrnThread> Create(std::u16string name, TPrnCallbacks callbacks) {
    return std::make_shared<TPrnThread>(std::move(name), std::move(callbacks));
  }

  TJobList Jobs;
  std::mutex RecordLock;
  std::atomic<bool> RefreshRequested{false};

  // Runs fn on the live record of jobId; false when there is none.
  bool WithJob(uint32_t jobId, const std::function<void(TQueueJob&)>& fn);

  TPrnCallbacks Callbacks() const;
  void ClearPrinterInfoCallback();

  // How long a wait lasts before the quiet-printer rules run (15 s).
  static void SetWaitTimeoutMs(int ms);
  // How often the printer has been opened (tests).
  int OpenCount() const { return openCount_.load(); }

 protected:
  // The watcher thread's steps; protected so benchmarks can drive them.
  void Execute() override;
  void Failed() override;
  void Open();
  void Close();
  void Reopen() {
    Close();
    Open();
  }
  bool HandleNotification(bool refresh);
  void EnumQueue();
  bool UpdateQueue(const TNotifyInfo& info, uint32_t change);
  void UpdatePrn(const TNotifyItem& item);
  void Rename(const std::u16string& reported);
  void Sweep(bool* touched);
  void StartParseRequests(TQueueJob* job);

  void PostPrinterInfo();
  void PostJobs();
  void PostStatus();
  void PostRename(const std::u16string& oldName, const std::u16string& newName);

  // Owned by the watcher's thread.
  std::unique_ptr<TPrinterHandle> handle_;
  std::unique_ptr<TChangeNotification> change_;
  bool opened_ = false;
  bool notificationSeen_ = false;
  uint32_t jobCount_ = 0;
  uint32_t attributes_ = 0;
  int64_t status_ = 0;
  uint8_t reason_ = 0;
  std::u16string driverName_, portName_, comment_, location_, shareName_;
  std::atomic<int> openCount_{0};

 private:
  mutable std::mutex callbackLock_;
  TPrnCallbacks callbacks_;
};

}  // namespace ostrovel
