#include "uMemoryState.h"

#include <unistd.h>

#include <algorithm>

#include "uSpoolName.h"

namespace ostrovel {

void TMemoryWatch::Signal() {
  const uint64_t one = 1;
  if (Fd >= 0) (void)!write(Fd, &one, sizeof one);
}

TMemoryPrinter* TMemoryState::Find(std::u16string_view name) {
  for (auto& p : Printers)
    if (SameText(p.Info.Name, name)) return &p;
  // A printer of this computer may also be named \\COMPUTER\printer.
  const TSpoolName n = ParseSpoolName(name);
  if (!n.Server.empty() && IsLocalServer(n.Server)) {
    for (auto& p : Printers)
      if (SameText(p.Info.Name, n.Printer)) return &p;
  }
  return nullptr;
}

TMemoryPrinter* TMemoryState::Find(uint64_t key) {
  for (auto& p : Printers)
    if (p.Key == key) return &p;
  return nullptr;
}

std::u16string TMemoryState::ServerOf(const TMemoryPrinter& p) const {
  return ParseSpoolName(p.Info.Name).Server;
}

bool TMemoryState::IsLocalServer(std::u16string_view server) const {
  return server.empty() || SameText(server, ComputerName);
}

TQueueState TMemoryState::Snapshot(const TMemoryPrinter& p) const {
  TQueueState s;
  s.Printer = p.Info;
  s.Printer.JobCount = static_cast<uint32_t>(p.Jobs.size());
  if (SameText(p.Info.Name, DefaultPrinter)) s.Printer.Attributes |= patDefault;
  for (size_t i = 0; i < p.Jobs.size(); ++i) s.Jobs.push_back(JobAt(p, i));
  return s;
}

TJobInfo TMemoryState::JobAt(const TMemoryPrinter& p, size_t index) const {
  TJobInfo job = p.Jobs[index].Info;
  job.Position = static_cast<uint32_t>(index + 1);
  job.PrinterName = p.Info.Name;
  return job;
}

void TMemoryState::Publish(const TMemoryPrinter& p, const TQueueState& before,
                           uint32_t extraChange) {
  const TQueueState after = Snapshot(p);
  const std::u16string server = ServerOf(p);
  std::erase_if(Watches, [](const auto& w) { return w.expired(); });
  for (const auto& weak : Watches) {
    const auto w = weak.lock();
    TChangeRead read;
    if (w->Printer == p.Key) {
      DiffQueue(before, after, w->Options, read);
    } else if (w->Printer == 0 &&
               (SameText(w->Server, server) || (server.empty() && IsLocalServer(w->Server)))) {
      DiffQueue(TQueueState{before.Printer, {}}, TQueueState{after.Printer, {}}, w->Options, read);
    } else {
      continue;
    }
    read.Change |= extraChange;
    Deliver(*w, std::move(read));
  }
}

void TMemoryState::Deliver(TMemoryWatch& w, TChangeRead&& read) {
  if (read.Change == 0 && !read.Info) return;
  w.Pending.Change |= read.Change;
  if (read.Info && !w.Lost) {
    if (!w.Pending.Info) w.Pending.Info.emplace();
    auto& items = w.Pending.Info->Items;
    for (auto& item : read.Info->Items) items.push_back(std::move(item));
    if (items.size() > MaxPendingItems) {
      w.Lost = true;
      items.clear();
    }
  }
  w.Signal();
}

}  // namespace ostrovel
