// A change registration over CUPS: an IPP subscription pulled with
// Get-Notifications on a thread of its own. Every event is taken as a hint:
// the printer and its jobs (or the server's printer list) are read again and
// the differences become the batch, so events CUPS leaves out or loses do
// not go unseen. Events lost by the scheduler, a lease that ran out or a
// scheduler restart give a discarded batch.
//
// Threads: the poll thread is owned by the registration and joined by its
// destructor; Next and WaitFd belong to the caller's thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "uCupsQueries.h"
#include "uSpooler.h"

namespace ostrovel {

class TCupsNotification final : public TChangeNotification {
 public:
  // printer empty: a registration on the server, for its printer list.
  static TSpoolResult<std::unique_ptr<TChangeNotification>> Create(
      std::shared_ptr<TCupsShared> shared, TCupsServer server, std::string printer,
      std::u16string fullName, std::u16string prefix, const TNotifyOptions& options);
  ~TCupsNotification() override;

  int WaitFd() const override { return fd_; }
  TSpoolResult<TChangeRead> Next(uint32_t flags) override;

 private:
  TCupsNotification(std::shared_ptr<TCupsShared> shared, TCupsServer server, std::string printer,
                    std::u16string fullName, std::u16string prefix, const TNotifyOptions& options);

  uint32_t Subscribe(TCupsConnection& c);
  void Run();
  void PollOnce();
  // Reads the watched state again; the differences join the pending batch.
  void Reread(TCupsConnection& c, uint32_t change);
  uint32_t ReadState(TCupsConnection& c, TQueueState& state, std::vector<TPrinterInfo>& printers);
  void Publish(TChangeRead&& read);
  void MarkLost();
  // The printer is gone: one batch with the deleted bit, then silence.
  void PublishDeleted();

  std::shared_ptr<TCupsShared> shared_;
  std::string printer_;
  std::u16string fullName_;
  std::u16string prefix_;
  TNotifyOptions options_;
  TCupsConnection pollConnection_;    // the poll thread's
  TCupsConnection callerConnection_;  // Next's
  int fd_ = -1;

  // Taken around a read of the state and the update of the baseline.
  std::mutex readLock_;
  TQueueState baseline_;                   // a printer registration's
  std::vector<TPrinterInfo> printerList_;  // a server registration's

  std::mutex lock_;  // guards what follows
  TChangeRead pending_;
  bool lost_ = false;
  bool gone_ = false;
  bool stop_ = false;
  std::condition_variable wake_;

  int subscription_ = 0;  // poll thread only, after Create
  int nextSequence_ = 1;
  bool away_ = false;  // the last poll got no answer
  time_t renewAt_ = 0;
  std::chrono::milliseconds pollInterval_;
  std::chrono::steady_clock::time_point quietUntil_;  // poll thread only
  std::thread thread_;
};

}  // namespace ostrovel
