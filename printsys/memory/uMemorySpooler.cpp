#include "uMemorySpooler.h"

#include <algorithm>
#include <ctime>

#include "uDevModeMerge.h"
#include "uMemoryHandles.h"
#include "uSpoolName.h"

namespace ostrovel {

namespace {

template <class T>
TSpoolResult<T> Fail(uint32_t e) {
  return TSpoolResult<T>::Fail(e);
}

TSystemTime NowUtc() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  gmtime_r(&ts.tv_sec, &t);
  return {static_cast<uint16_t>(t.tm_year + 1900), static_cast<uint16_t>(t.tm_mon + 1),
          static_cast<uint16_t>(t.tm_wday),        static_cast<uint16_t>(t.tm_mday),
          static_cast<uint16_t>(t.tm_hour),        static_cast<uint16_t>(t.tm_min),
          static_cast<uint16_t>(t.tm_sec),         static_cast<uint16_t>(ts.tv_nsec / 1000000)};
}

bool Allowed(TMemoryGrant grant, uint32_t access) {
  switch (grant) {
    case TMemoryGrant::Full:
      return true;
    case TMemoryGrant::Default:
      return access != paAll;
    case TMemoryGrant::UseOnly:
      return access == paUse;
    case TMemoryGrant::None:
      return false;
  }
  return false;
}

}  // namespace

TMemorySpooler::TMemorySpooler(std::u16string computerName)
    : state_(std::make_shared<TMemoryState>()) {
  state_->ComputerName = std::move(computerName);
}

TMemorySpooler::~TMemorySpooler() = default;

TSpoolResult<std::unique_ptr<TPrinterHandle>> TMemorySpooler::OpenPrinter(std::u16string_view name,
                                                                          uint32_t access) {
  using R = TSpoolResult<std::unique_ptr<TPrinterHandle>>;
  std::lock_guard lock(state_->Lock);
  const TSpoolName n = ParseSpoolName(name);
  if (n.IsServer()) {
    const bool known =
        state_->IsLocalServer(n.Server) ||
        std::any_of(state_->Printers.begin(), state_->Printers.end(), [&](const TMemoryPrinter& p) {
          return SameText(state_->ServerOf(p), n.Server);
        });
    if (!known) return R::Fail(seInvalidPrinterName);
    return {seNone, std::make_unique<TMemoryHandle>(state_, 0, 0, n.Server, 0)};
  }
  std::u16string printerName(name);
  if (n.IsJob) printerName = printerName.substr(0, printerName.rfind(u",Job "));
  TMemoryPrinter* p = state_->Find(printerName);
  if (!p) return R::Fail(seInvalidPrinterName);
  if (p->OpenError != seNone) return R::Fail(p->OpenError);
  if (!Allowed(p->Grant, access)) return R::Fail(seAccessDenied);
  if (n.IsJob && std::none_of(p->Jobs.begin(), p->Jobs.end(),
                              [&](const TMemoryJob& j) { return j.Info.JobId == n.JobId; }))
    return R::Fail(seInvalidPrinterName);
  auto h = std::make_unique<TMemoryHandle>(state_, p->Key, p->Generation, state_->ServerOf(*p),
                                           n.IsJob ? n.JobId : 0);
  h->SetAdmin(access == paAll || (access & paAdminister));
  return {seNone, std::move(h)};
}

TSpoolResult<std::vector<TPrinterInfo>> TMemorySpooler::EnumPrinters(uint32_t flags,
                                                                     std::u16string_view name,
                                                                     int level) {
  std::lock_guard lock(state_->Lock);
  std::vector<TPrinterInfo> list;
  if (flags & peName) {
    const TSpoolName n = ParseSpoolName(name);
    const bool local = state_->IsLocalServer(n.Server);
    bool known = local;
    for (const auto& p : state_->Printers) {
      const std::u16string server = state_->ServerOf(p);
      if (!(SameText(server, n.Server) || (local && server.empty()))) continue;
      known = true;
      TPrinterInfo info = state_->Snapshot(p).Printer;
      if (server.empty()) info.Name = u"\\\\" + state_->ComputerName + u"\\" + info.Name;
      info.ServerName = u"\\\\" + (server.empty() ? state_->ComputerName : server);
      list.push_back(std::move(info));
    }
    if (!known) return Fail<std::vector<TPrinterInfo>>(seInvalidPrinterName);
  } else {
    for (const auto& p : state_->Printers) {
      const bool remote = !state_->ServerOf(p).empty();
      const bool connection = remote && (p.Info.Attributes & patNetwork);
      if ((!remote && (flags & peLocal)) || (connection && (flags & peConnections)))
        list.push_back(state_->Snapshot(p).Printer);
    }
  }
  if (level == 1)
    for (auto& info : list) info = PrinterInfoLevel1(info);
  return {seNone, std::move(list)};
}

TSpoolResult<std::u16string> TMemorySpooler::GetDefaultPrinter() {
  std::lock_guard lock(state_->Lock);
  if (state_->DefaultPrinter.empty()) return Fail<std::u16string>(seFileNotFound);
  return {seNone, state_->DefaultPrinter};
}

uint32_t TMemorySpooler::SetDefaultPrinter(std::u16string_view name) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(name);
  if (!p) return seInvalidPrinterName;
  TMemoryPrinter* old = state_->Find(state_->DefaultPrinter);
  const auto before = state_->Snapshot(*p);
  const auto oldBefore = old ? state_->Snapshot(*old) : TQueueState{};
  state_->DefaultPrinter = p->Info.Name;
  if (old && old != p) state_->Publish(*old, oldBefore, 0);
  state_->Publish(*p, before, 0);
  return seNone;
}

uint32_t TMemorySpooler::DeletePrinterConnection(std::u16string_view name) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(name);
  if (!p || state_->ServerOf(*p).empty() || !(p->Info.Attributes & patNetwork))
    return seInvalidPrinterName;
  TMemoryHandle::DeleteLocked(*state_, *p);
  return seNone;
}

TSpoolResult<TDevModeW> TMemorySpooler::DocumentProperties(std::u16string_view printer,
                                                           const TDevModeW* devMode) {
  std::lock_guard lock(state_->Lock);
  const TMemoryPrinter* p = state_->Find(printer);
  if (!p) return Fail<TDevModeW>(seInvalidPrinterName);
  return {seNone, devMode ? MergeDevMode(p->DefaultDevMode, *devMode) : p->DefaultDevMode};
}

TSpoolResult<TDeviceGeometry> TMemorySpooler::DeviceGeometry(std::u16string_view printer,
                                                             const TDevModeW*) {
  std::lock_guard lock(state_->Lock);
  const TMemoryPrinter* p = state_->Find(printer);
  if (!p) return Fail<TDeviceGeometry>(seInvalidPrinterName);
  if (p->Geometry.PhysicalWidth <= 0) return Fail<TDeviceGeometry>(seNotSupported);
  return {seNone, p->Geometry};
}

void TMemorySpooler::AddPrinter(TPrinterInfo info) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter p;
  p.Key = state_->NextKey++;
  info.JobCount = 0;
  const bool remote = !ParseSpoolName(info.Name).Server.empty();
  if (!(info.Attributes & (patLocal | patNetwork)))
    info.Attributes |= remote ? patNetwork : patLocal;
  p.Info = std::move(info);
  p.DefaultDevMode.dmSize = sizeof(TDevModeW);
  state_->Printers.push_back(std::move(p));
  TMemoryPrinter& added = state_->Printers.back();
  // Registrations of the printer's server hear of it with all its fields.
  state_->Publish(added, TQueueState{}, chAddPrinter);
}

bool TMemorySpooler::RemovePrinter(std::u16string_view name) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(name);
  if (!p) return false;
  TMemoryHandle::DeleteLocked(*state_, *p);
  return true;
}

bool TMemorySpooler::RenamePrinter(std::u16string_view name, std::u16string_view newName) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(name);
  if (!p || (state_->Find(newName) && state_->Find(newName) != p)) return false;
  const bool wasDefault = SameText(state_->DefaultPrinter, p->Info.Name);
  state_->Mutate(*p, [&](TMemoryPrinter& q) { q.Info.Name = newName; });
  if (wasDefault) state_->DefaultPrinter = newName;
  return true;
}

bool TMemorySpooler::SetPrinterStatus(std::u16string_view name, uint32_t status) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(name);
  if (!p) return false;
  state_->Mutate(*p, [&](TMemoryPrinter& q) { q.Info.Status = status; });
  return true;
}

bool TMemorySpooler::SetPrinterDefaults(std::u16string_view name, const TDevModeW& devMode,
                                        const TDeviceGeometry& geometry) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(name);
  if (!p) return false;
  p->DefaultDevMode = devMode;
  p->Geometry = geometry;
  return true;
}

uint32_t TMemorySpooler::AddJob(std::u16string_view printer, TJobInfo job, std::string data) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(printer);
  if (!p) return 0;
  job.JobId = state_->NextJobId++;
  if (job.Submitted.Year == 0) job.Submitted = NowUtc();
  if (job.Size == 0) job.Size = static_cast<uint32_t>(std::min<size_t>(data.size(), UINT32_MAX));
  const uint32_t id = job.JobId;
  state_->Mutate(*p, [&](TMemoryPrinter& q) {
    q.Jobs.push_back({std::move(job), std::move(data)});
  });
  return id;
}

bool TMemorySpooler::UpdateJob(std::u16string_view printer, uint32_t jobId,
                               const std::function<void(TJobInfo&)>& change) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(printer);
  if (!p) return false;
  for (size_t i = 0; i < p->Jobs.size(); ++i) {
    if (p->Jobs[i].Info.JobId != jobId) continue;
    state_->Mutate(*p, [&](TMemoryPrinter& q) {
      change(q.Jobs[i].Info);
      q.Jobs[i].Info.JobId = jobId;
    });
    return true;
  }
  return false;
}

bool TMemorySpooler::RemoveJob(std::u16string_view printer, uint32_t jobId) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(printer);
  if (!p) return false;
  const auto it = std::find_if(p->Jobs.begin(), p->Jobs.end(),
                               [jobId](const TMemoryJob& j) { return j.Info.JobId == jobId; });
  if (it == p->Jobs.end()) return false;
  const auto index = it - p->Jobs.begin();
  state_->Mutate(*p, [&](TMemoryPrinter& q) { q.Jobs.erase(q.Jobs.begin() + index); });
  return true;
}

void TMemorySpooler::SetForms(std::vector<TFormSize> forms) {
  std::lock_guard lock(state_->Lock);
  state_->Forms = std::move(forms);
}

void TMemorySpooler::SetGrant(std::u16string_view printer, TMemoryGrant grant) {
  std::lock_guard lock(state_->Lock);
  if (TMemoryPrinter* p = state_->Find(printer)) p->Grant = grant;
}

void TMemorySpooler::FailOpen(std::u16string_view printer, uint32_t error) {
  std::lock_guard lock(state_->Lock);
  if (TMemoryPrinter* p = state_->Find(printer)) p->OpenError = error;
}

void TMemorySpooler::FailWatch(std::u16string_view printer, bool fail) {
  std::lock_guard lock(state_->Lock);
  if (TMemoryPrinter* p = state_->Find(printer)) p->WatchFails = fail;
}

void TMemorySpooler::BreakHandles(std::u16string_view printer) {
  std::lock_guard lock(state_->Lock);
  if (TMemoryPrinter* p = state_->Find(printer)) ++p->Generation;
}

void TMemorySpooler::DiscardPending(std::u16string_view printer) {
  std::lock_guard lock(state_->Lock);
  TMemoryPrinter* p = state_->Find(printer);
  if (!p) return;
  for (const auto& weak : state_->Watches) {
    const auto w = weak.lock();
    if (!w || w->Printer != p->Key) continue;
    w->Lost = true;
    w->Pending.Info.reset();
    w->Signal();
  }
}

void TMemorySpooler::SetMaxPendingItems(size_t count) {
  std::lock_guard lock(state_->Lock);
  state_->MaxPendingItems = count;
}

int TMemorySpooler::SetPrinterCalls() const {
  std::lock_guard lock(state_->Lock);
  return state_->SetPrinterCalls;
}

}  // namespace ostrovel
