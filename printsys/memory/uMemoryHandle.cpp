// Handles and registrations of the in-process spooler.
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "uMemoryHandles.h"
#include "uSpoolName.h"

namespace ostrovel {

namespace {

class TMemoryNotification final : public TChangeNotification {
 public:
  TMemoryNotification(std::shared_ptr<TMemoryState> state, std::shared_ptr<TMemoryWatch> watch)
      : state_(std::move(state)), watch_(std::move(watch)) {}
  ~TMemoryNotification() override {
    // Under the lock: a change being published may still hold the watch.
    std::lock_guard lock(state_->Lock);
    close(watch_->Fd);
    watch_->Fd = -1;
  }

  int WaitFd() const override { return watch_->Fd; }

  TSpoolResult<TChangeRead> Next(uint32_t flags) override {
    std::lock_guard lock(state_->Lock);
    uint64_t count;
    (void)!read(watch_->Fd, &count, sizeof count);
    // A registration stops answering with the handle it was made on.
    const TMemoryPrinter* p = watch_->Printer ? state_->Find(watch_->Printer) : nullptr;
    if (p && p->Generation != watch_->Generation)
      return TSpoolResult<TChangeRead>::Fail(seInvalidHandle);
    TChangeRead r;
    r.Change = watch_->Pending.Change;
    if (flags & kNotifyRefresh) {
      r.Info = Refresh();
      if (!r.Info) return TSpoolResult<TChangeRead>::Fail(seInvalidHandle);
    } else if (watch_->Lost) {
      r.Info.emplace();
      r.Info->Flags = kNotifyDiscarded;
    } else {
      r.Info = std::move(watch_->Pending.Info);
    }
    watch_->Pending = {};
    watch_->Lost = false;
    return {seNone, std::move(r)};
  }

 private:
  // The whole state the registration watches; nothing once its printer is
  // gone.
  std::optional<TNotifyInfo> Refresh() {
    if (watch_->Printer != 0) {
      const TMemoryPrinter* p = state_->Find(watch_->Printer);
      if (!p) return std::nullopt;
      return FullState(state_->Snapshot(*p), watch_->Options);
    }
    TNotifyInfo info;
    for (const auto& p : state_->Printers) {
      const std::u16string server = state_->ServerOf(p);
      if (!SameText(server, watch_->Server) &&
          !(server.empty() && state_->IsLocalServer(watch_->Server)))
        continue;
      auto one = FullState(TQueueState{state_->Snapshot(p).Printer, {}}, watch_->Options);
      for (auto& item : one.Items) info.Items.push_back(std::move(item));
    }
    return info;
  }

  std::shared_ptr<TMemoryState> state_;
  std::shared_ptr<TMemoryWatch> watch_;
};

template <class T>
TSpoolResult<T> Fail(uint32_t e) {
  return TSpoolResult<T>::Fail(e);
}

}  // namespace

TMemoryHandle::TMemoryHandle(std::shared_ptr<TMemoryState> state, uint64_t printer,
                             uint64_t generation, std::u16string server, uint32_t jobId)
    : state_(std::move(state)),
      printer_(printer),
      generation_(generation),
      server_(std::move(server)),
      jobId_(jobId) {}

TMemoryPrinter* TMemoryHandle::Printer() {
  TMemoryPrinter* p = state_->Find(printer_);
  return p && p->Generation == generation_ ? p : nullptr;
}

TSizeQuery TMemoryHandle::QueryPrinterSize() {
  std::lock_guard lock(state_->Lock);
  if (printer_ == 0) return {seInsufficientBuffer, 136};  // a server answers too
  const TMemoryPrinter* p = Printer();
  if (!p) return {seInvalidHandle, 0};
  const TPrinterInfo& i = p->Info;
  const size_t text = i.Name.size() + i.ShareName.size() + i.PortName.size() + i.DriverName.size() +
                      i.Comment.size() + i.Location.size() + i.PrintProcessor.size() + 7;
  return {seInsufficientBuffer, static_cast<uint32_t>(136 + 2 * text)};
}

TSpoolResult<TPrinterInfo> TMemoryHandle::GetPrinter() {
  std::lock_guard lock(state_->Lock);
  const TMemoryPrinter* p = Printer();
  if (!p) return Fail<TPrinterInfo>(seInvalidHandle);
  return {seNone, state_->Snapshot(*p).Printer};
}

uint32_t TMemoryHandle::SetPrinter(const TPrinterInfo& info) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = Printer();
  if (!p) return seInvalidHandle;
  if (!admin_) return seAccessDenied;
  ++state_->SetPrinterCalls;
  state_->Mutate(*p, [&](TMemoryPrinter& q) {
    q.Info.Attributes = info.Attributes & ~patDefault;
    q.Info.Comment = info.Comment;
    q.Info.Location = info.Location;
    q.Info.ShareName = info.ShareName;
  });
  return seNone;
}

uint32_t TMemoryHandle::ControlPrinter(TPrinterCommand command) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = Printer();
  if (!p) return seInvalidHandle;
  if (!admin_) return seAccessDenied;
  switch (command) {
    case pcPause:
      state_->Mutate(*p, [](TMemoryPrinter& q) { q.Info.Status |= psPaused; });
      return seNone;
    case pcResume:
      state_->Mutate(*p, [](TMemoryPrinter& q) { q.Info.Status &= ~psPaused; });
      return seNone;
    case pcPurge:
      state_->Mutate(*p, [](TMemoryPrinter& q) { q.Jobs.clear(); });
      return seNone;
  }
  return seInvalidPrinterCommand;
}

uint32_t TMemoryHandle::DeletePrinter() {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = Printer();
  if (!p) return seInvalidHandle;
  if (!admin_) return seAccessDenied;
  DeleteLocked(*state_, *p);
  return seNone;
}

void TMemoryHandle::DeleteLocked(TMemoryState& state, TMemoryPrinter& p) {
  const TQueueState before = state.Snapshot(p);
  p.Info.Status |= psPendingDeletion;
  state.Publish(p, before, chDeletePrinter);
  const uint64_t key = p.Key;
  std::erase_if(state.Printers, [key](const TMemoryPrinter& q) { return q.Key == key; });
}

TSpoolResult<std::vector<TJobInfo>> TMemoryHandle::EnumJobs(uint32_t first, uint32_t count,
                                                            int level) {
  std::lock_guard lock(state_->Lock);
  const TMemoryPrinter* p = Printer();
  if (!p) return Fail<std::vector<TJobInfo>>(seInvalidHandle);
  if (level != 1 && level != 2) return Fail<std::vector<TJobInfo>>(seInvalidParameter);
  // Only the asked positions: a full read asks one position at a time.
  std::vector<TJobInfo> slice;
  for (size_t i = first; i < p->Jobs.size() && i - first < count; ++i) slice.push_back(state_->JobAt(*p, i));
  return {seNone, JobsAt(std::move(slice), 0, count, level)};
}

TSpoolResult<TJobInfo> TMemoryHandle::GetJob(uint32_t jobId) {
  std::lock_guard lock(state_->Lock);
  const TMemoryPrinter* p = Printer();
  if (!p) return Fail<TJobInfo>(seInvalidHandle);
  for (size_t i = 0; i < p->Jobs.size(); ++i)
    if (p->Jobs[i].Info.JobId == jobId) return {seNone, state_->JobAt(*p, i)};
  return Fail<TJobInfo>(seInvalidParameter);
}

uint32_t TMemoryHandle::SetJob(uint32_t jobId, const TJobInfo* info, TJobCommand command) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = Printer();
  if (!p) return seInvalidHandle;
  auto it = std::find_if(p->Jobs.begin(), p->Jobs.end(),
                         [jobId](const TMemoryJob& j) { return j.Info.JobId == jobId; });
  if (it == p->Jobs.end()) return seInvalidParameter;
  if (info && (info->Priority < 1 || info->Priority > 99)) return seInvalidParameter;
  if (command > jcDelete) return seInvalidParameter;
  const size_t index = static_cast<size_t>(it - p->Jobs.begin());
  state_->Mutate(*p, [&](TMemoryPrinter& q) {
    TJobInfo& j = q.Jobs[index].Info;
    if (info) {
      j.NotifyName = info->NotifyName;
      j.Document = info->Document;
      j.Priority = info->Priority;
      j.StartTime = info->StartTime;
      j.UntilTime = info->UntilTime;
    }
    switch (command) {
      case jcPause:
        j.Status |= jsPaused;
        break;
      case jcResume:
        j.Status &= ~jsPaused;
        break;
      case jcRestart:
        j.Status = (j.Status & ~(jsPrinted | jsError | jsComplete)) | jsRestarting;
        j.PagesPrinted = j.BytesPrinted = 0;
        break;
      case jcCancel:
      case jcDelete:
        q.Jobs.erase(q.Jobs.begin() + static_cast<ptrdiff_t>(index));
        break;
      case jcNone:
        break;
    }
  });
  return seNone;
}

TSpoolResult<size_t> TMemoryHandle::ReadPrinter(std::span<uint8_t> buffer) {
  std::lock_guard lock(state_->Lock);
  const TMemoryPrinter* p = Printer();
  if (!p || jobId_ == 0) return Fail<size_t>(seInvalidHandle);
  for (const auto& j : p->Jobs) {
    if (j.Info.JobId != jobId_) continue;
    const size_t n = std::min(buffer.size(), j.Data.size() - std::min(read_, j.Data.size()));
    std::memcpy(buffer.data(), j.Data.data() + read_, n);
    read_ += n;
    return {seNone, n};
  }
  return Fail<size_t>(seInvalidHandle);
}

TSpoolResult<std::vector<TFormSize>> TMemoryHandle::EnumForms() {
  std::lock_guard lock(state_->Lock);
  if (printer_ != 0 && !Printer()) return Fail<std::vector<TFormSize>>(seInvalidHandle);
  return {seNone, state_->Forms};
}

TSpoolResult<std::unique_ptr<TChangeNotification>> TMemoryHandle::WatchChanges(
    uint32_t filter, const TNotifyOptions& options) {
  using R = TSpoolResult<std::unique_ptr<TChangeNotification>>;
  std::lock_guard lock(state_->Lock);
  auto w = std::make_shared<TMemoryWatch>();
  if (printer_ != 0) {
    const TMemoryPrinter* p = Printer();
    if (!p) return R::Fail(seInvalidHandle);
    if (p->WatchFails) return R::Fail(seNotSupported);
    w->Printer = printer_;
    w->Generation = generation_;
  }
  w->Server = server_;
  w->Options = options;
  w->Options.Flags = 0;
  w->Fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (w->Fd < 0) return R::Fail(seNotSupported);
  state_->Watches.push_back(w);
  return {seNone, std::make_unique<TMemoryNotification>(state_, std::move(w))};
}

}  // namespace ostrovel
