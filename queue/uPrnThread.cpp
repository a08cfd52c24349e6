#include "uPrnThread.h"

#include <cerrno>
#include <string>

#include "uJobUpdate.h"
#include "uLogs.h"
#include "uMainThread.h"
#include "uParseRequest.h"
#include "uProcs.h"
#include "uSelectedPrinter.h"
#include "uSpoolName.h"
#include "uText.h"
#include "uWatcherRegistry.h"

namespace ostrovel {

namespace {

std::atomic<int> waitTimeoutMs{15000};

std::string Narrow(const std::u16string& text) { return WideToAnsi(text); }

}  // namespace

const TNotifyOptions& PrinterNotifyOptions() {
  static const TNotifyOptions options{
      0,
      {pfPrinterName, pfShareName, pfPortName, pfDriverName, pfComment, pfLocation, pfAttributes, pfStatus,
       pfJobCount},
      {jfMachineName, jfPortName, jfUserName, jfStatus, jfDevMode, jfDocument, jfDataType, jfPosition,
       jfNotifyName, jfPrintProcessor, jfStartTime, jfUntilTime, jfPriority, jfSubmitted, jfTotalPages,
       jfPagesPrinted, jfTotalBytes, jfBytesPrinted}};
  return options;
}

void TPrnThread::SetWaitTimeoutMs(int ms) { waitTimeoutMs.store(ms); }

TPrnThread::TPrnThread(std::u16string name, TPrnCallbacks callbacks)
    : TWatcher(std::move(name), false), callbacks_(std::move(callbacks)) {}

TPrnThread::~TPrnThread() { FreeJobs(Jobs); }

TPrnCallbacks TPrnThread::Callbacks() const {
  std::lock_guard hold(callbackLock_);
  return callbacks_;
}

void TPrnThread::ClearPrinterInfoCallback() {
  std::lock_guard hold(callbackLock_);
  callbacks_.OnPrinterInfo = nullptr;
}

bool TPrnThread::WithJob(uint32_t jobId, const std::function<void(TQueueJob&)>& fn) {
  TReadLock listHold(Jobs.Lock());
  for (int i = 0; i < Jobs.CountLocked(); ++i) {
    TQueueJob* job = Jobs.GetLocked(i);
    if (job->JobId != jobId) continue;
    std::lock_guard hold(RecordLock);
    fn(*job);
    return true;
  }
  return false;
}

void TPrnThread::Execute() {
  Open();
  while (!StopRequested()) {
    const int woke = WaitForTwo(wake_.Fd(), change_ ? change_->WaitFd() : -1, waitTimeoutMs.load());
    if (StopRequested()) break;
    switch (woke) {
      case 0:
        if (RefreshRequested.exchange(false)) {
          // The event stays signalled: the next wait reads the changes.
          reason_ = prRefresh;
          PostJobs();
          StartParseRequests(nullptr);
        } else {
          HandleNotification(true);
          wake_.Reset();
          if (RefreshRequested.load()) wake_.Set();  // asked while reading
        }
        break;
      case 1:
        if (!HandleNotification(false)) Reopen();
        break;
      case 2:
        // A printer that cannot be opened, or that never sends data, is
        // opened again after each quiet spell.
        if (!opened_ || !notificationSeen_) Reopen();
        break;
      default:
        Reopen();
        break;
    }
    if (!StopRequested() && !(handle_ && PrinterHandleAlive(*handle_))) {
      // A deleted printer stops answering as soon as it is gone: read what
      // the spooler said last (the deletion itself) before reopening.
      if (change_ && WaitForTwo(change_->WaitFd(), -1, 0) == 0) HandleNotification(false);
      if (!StopRequested()) Reopen();
    }
  }
  FreeJobs(Jobs);
  Close();
}

void TPrnThread::Failed() {
  Close();
  WatcherRegistry().ReplacePrinterThread(*this);
}

void TPrnThread::Open() {
  notificationSeen_ = false;
  auto opened = OpenPrinterFallback(Name());
  opened_ = opened.Ok() && opened.Value != nullptr;
  ++openCount_;
  if (opened_) {
    handle_ = std::move(opened.Value);
  } else {
    FreeJobs(Jobs);
  }
  if (opened_) {
    wake_.Set();  // the first wake reads the whole state
    auto watch = handle_->WatchChanges(chAll, PrinterNotifyOptions());
    if (watch.Ok()) change_ = std::move(watch.Value);
  } else {
    wake_.Reset();
  }
}

void TPrnThread::Close() {
  change_.reset();
  handle_.reset();
  opened_ = false;
}

bool TPrnThread::HandleNotification(bool refresh) {
  if (!change_) {
    if (!notificationSeen_) EnumQueue();
    return false;
  }
  auto read = change_->Next(refresh ? kNotifyRefresh : 0);
  const bool ok = read.Ok();
  if (ok && read.Value.Info) {
    std::optional<TNotifyInfo> info = std::move(read.Value.Info);
    if (info->Flags & kNotifyDiscarded) {
      // Changes were lost: read the whole state instead.
      auto again = change_->Next(kNotifyRefresh);
      info = again.Ok() ? std::move(again.Value.Info) : std::nullopt;
      if (!info && !notificationSeen_) EnumQueue();
    }
    if (info) {
      notificationSeen_ = true;
      bool added = false;
      if (!info->Items.empty()) added = UpdateQueue(*info, read.Value.Change);
      if (added && IsSelectedPrinter(Name())) StartParseRequests(nullptr);
    }
  }
  if ((!ok || !read.Value.Info) && !notificationSeen_) EnumQueue();
  return ok;
}

void TPrnThread::EnumQueue() {
  try {
    const TSizeQuery size = handle_ ? handle_->QueryPrinterSize() : TSizeQuery{seInvalidHandle, 0};
    if (size.Error == seInsufficientBuffer && size.Needed > 0) {
      auto info = handle_->GetPrinter();
      if (info.Ok()) {
        jobCount_ = info.Value.JobCount;
        status_ = info.Value.Status;
        attributes_ = info.Value.Attributes;
        driverName_ = info.Value.DriverName;
        portName_ = info.Value.PortName;
        comment_ = info.Value.Comment;
        location_ = info.Value.Location;
        shareName_ = info.Value.ShareName;
      }
    } else {
      status_ = -1;
    }

    for (uint32_t p = 0; handle_ && p < jobCount_;) {
      auto jobs = handle_->EnumJobs(p, 1, 2);
      uint32_t counted = 0;
      if (jobs.Ok()) {
        for (const TJobInfo& info : jobs.Value) {
          if (info.JobId == 0) continue;
          TQueueJob* job = FindJob(Jobs, info.JobId);
          const bool added = !job;
          if (!job) job = AddJob(Jobs, info.JobId);
          if (!job) continue;
          std::lock_guard hold(RecordLock);
          job->Flags |= jfSeen;
          // A job still spooling now is asked for once it has spooled.
          if (added) job->Flags |= jfAwaitSpooled;
          try {
            UpdateJobFromInfo(*job, info);
          } catch (...) {
            LogError(0, errno, "uQueue.GetQueue.UpdateJob " + Narrow(Name()) + "; " + std::to_string(job->JobId));
          }
          ++counted;
        }
      }
      p += counted ? counted : 1;
    }

    Sweep(nullptr);
    if (Jobs.Count() > 0) StartParseRequests(nullptr);
    PostPrinterInfo();
    reason_ = prQueue;
    PostJobs();
  } catch (...) {
    LogError(0, errno, "uQueue.EnumQueue");
  }
}

void TPrnThread::Sweep(bool* touched) {
  for (int i = 0; !StopRequested() && i < Jobs.Count();) {
    TQueueJob* job = Jobs.Get(i);
    {
      std::lock_guard hold(RecordLock);
      if (job->Has(jfSeen)) {
        job->Flags &= ~jfSeen;
        ++i;
        continue;
      }
    }
    Jobs.Delete(i);
    delete job;
    if (touched) *touched = true;
  }
}

bool TPrnThread::UpdateQueue(const TNotifyInfo& info, uint32_t change) {
  bool jobsTouched = false, printerTouched = false, added = false;
  try {
    try {
      TQueueJob* last = nullptr;
      for (const TNotifyItem& item : info.Items) {
        if (StopRequested()) break;
        if (item.Type == TNotifyType::Job) {
          jobsTouched = true;
          TQueueJob* job = last && last->JobId == item.Id ? last : FindJob(Jobs, item.Id);
          if (!job) {
            added = true;
            job = AddJob(Jobs, item.Id);
            if (!job) continue;
            // Every new job is analysed once spooled, also one that arrives
            // while a full read or refresh is pending: that read asks only
            // for jobs that have already finished spooling.
            std::lock_guard hold(RecordLock);
            job->Flags |= jfAwaitSpooled;
          }
          bool due;
          {
            std::lock_guard hold(RecordLock);
            try {
              due = ApplyJobItem(*job, item);
            } catch (...) {
              LogError(0, errno, "uQueue.UpdateQueue.UpdateJob " + Narrow(Name()));
              due = false;
            }
          }
          if (due) StartParseRequests(job);
          last = job;
        } else {
          printerTouched = true;
          if (change & chDeletePrinter) {
            reason_ = prDeleted;
            PostStatus();
            RequestStop();
          } else {
            UpdatePrn(item);
          }
        }
      }
    } catch (...) {
      LogError(0, errno, "uQueue.UpdateQueue Refresh Queue" + Narrow(Name()));
    }

    // Jobs that left the queue show only in the count.
    try {
      if (Jobs.Count() > static_cast<int>(jobCount_)) {
        for (uint32_t p = 0; p < jobCount_ && !StopRequested(); ++p) {
          auto jobs = handle_ ? handle_->EnumJobs(p, 1, 1) : TSpoolResult<std::vector<TJobInfo>>::Fail(seInvalidHandle);
          if (!jobs.Ok() || jobs.Value.size() != 1) continue;
          if (TQueueJob* job = FindJob(Jobs, jobs.Value[0].JobId)) {
            std::lock_guard hold(RecordLock);
            job->Flags |= jfSeen;
            job->Position = jobs.Value[0].Position;
          }
        }
        Sweep(&jobsTouched);
      }
    } catch (...) {
      LogError(0, errno, "uQueue.UpdateQueue Delete Job" + Narrow(Name()));
    }

    reason_ = prQueue;
    if (jobsTouched) PostJobs();
    if (printerTouched) PostPrinterInfo();
  } catch (...) {
    LogError(0, errno, "uQueue.UpdateQueue " + Narrow(Name()));
  }
  return added;
}

void TPrnThread::UpdatePrn(const TNotifyItem& item) {
  try {
    const auto* text = std::get_if<std::u16string>(&item.Value);
    const auto* number = std::get_if<uint32_t>(&item.Value);
    const bool hasText = text && !text->empty();
    switch (item.Field) {
      case pfPrinterName:
        if (hasText) Rename(*text);
        break;
      case pfShareName:
        if (hasText) shareName_ = *text;
        break;
      case pfPortName:
        if (hasText) portName_ = *text;
        break;
      case pfDriverName:
        if (hasText) driverName_ = *text;
        break;
      case pfComment:
        if (hasText) comment_ = *text;
        break;
      case pfLocation:
        if (hasText) location_ = *text;
        break;
      case pfAttributes:
        if (number) attributes_ = *number;
        break;
      case pfStatus:
        if (number) status_ = *number;
        break;
      case pfJobCount:
        if (number) jobCount_ = *number;
        break;
      default:
        break;
    }
  } catch (...) {
    LogError(0, errno, "uQueue.UpdateQueue.UpdatePrn " + Narrow(Name()));
  }
}

void TPrnThread::Rename(const std::u16string& reported) {
  const std::u16string oldName = Name();
  if (SameText(reported, ShortPrinterName(oldName))) return;
  const std::u16string newName = (ServerPrefix(oldName) + reported).substr(0, kMaxPrinterName);
  PostRename(oldName, newName);
  SetName(newName);
  wake_.Set();
}

void TPrnThread::StartParseRequests(TQueueJob* job) {
  try {
    const std::u16string name = Name();
    if (!IsSelectedPrinter(name)) return;
    if (job) {
      std::lock_guard hold(RecordLock);
      RequestParse(name, *job);
      return;
    }
    const int count = Jobs.Count();
    for (int i = 0; i < count && i < Jobs.Count(); ++i) {
      TQueueJob* each = Jobs.Get(i);
      std::lock_guard hold(RecordLock);
      RequestParse(name, *each);
    }
  } catch (...) {
  }
}

void TPrnThread::PostPrinterInfo() {
  const auto receiver = Callbacks().OnPrinterInfo;
  if (!receiver) return;
  TPrinterPost post{Name(), status_, jobCount_, attributes_, driverName_, portName_, comment_, location_, shareName_};
  MainThreadCaller()->RunAndWait([&] {
    // Deleting the watcher clears the receiver; a post already waiting is dropped.
    if (const auto current = Callbacks().OnPrinterInfo) current(post);
  });
}

void TPrnThread::PostJobs() {
  const std::u16string name = Name();
  if (!IsSelectedPrinter(name)) return;
  const auto receiver = Callbacks().OnJobs;
  if (!receiver) return;
  std::vector<TQueueJob> jobs;
  {
    TReadLock listHold(Jobs.Lock());
    std::lock_guard hold(RecordLock);
    jobs.reserve(static_cast<size_t>(Jobs.CountLocked()));
    for (int i = 0; i < Jobs.CountLocked(); ++i) jobs.push_back(*Jobs.GetLocked(i));
  }
  const uint8_t reason = reason_;
  MainThreadCaller()->RunAndWait([&] { receiver(name, jobs, reason); });
}

void TPrnThread::PostStatus() {
  const auto receiver = Callbacks().OnStatus;
  if (!receiver) return;
  const std::u16string name = Name();
  const uint8_t reason = reason_;
  MainThreadCaller()->RunAndWait([&] { receiver(name, reason); });
}

void TPrnThread::PostRename(const std::u16string& oldName, const std::u16string& newName) {
  const auto receiver = Callbacks().OnRename;
  if (!receiver) return;
  MainThreadCaller()->RunAndWait([&] { receiver(oldName, newName); });
}

}  // namespace ostrovel
