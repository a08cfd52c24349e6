// The inside of the in-process spooler, shared by the spooler object, its
// handles and its registrations. Every member is guarded by Lock.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "uMemorySpooler.h"
#include "uNotifyFields.h"

namespace ostrovel {

struct TMemoryJob {
  TJobInfo Info;
  std::string Data;
};

struct TMemoryPrinter {
  uint64_t Key = 0;  // stays through renames
  TPrinterInfo Info;
  std::vector<TMemoryJob> Jobs;
  TMemoryGrant Grant = TMemoryGrant::Full;
  uint32_t OpenError = seNone;
  bool WatchFails = false;
  uint64_t Generation = 0;  // handles of an older generation stop answering
  TDevModeW DefaultDevMode{};
  TDeviceGeometry Geometry;
};

// One change registration. Printer is 0 for a server registration.
struct TMemoryWatch {
  uint64_t Printer = 0;
  uint64_t Generation = 0;  // of the handle it was made on
  std::u16string Server;
  TNotifyOptions Options;
  TChangeRead Pending;
  bool Lost = false;
  int Fd = -1;
  void Signal();
};

struct TMemoryState {
  std::mutex Lock;
  std::u16string ComputerName;
  std::vector<TMemoryPrinter> Printers;
  std::vector<std::weak_ptr<TMemoryWatch>> Watches;
  std::vector<TFormSize> Forms;
  std::u16string DefaultPrinter;
  uint64_t NextKey = 1;
  uint32_t NextJobId = 1;
  size_t MaxPendingItems = 1000;
  int SetPrinterCalls = 0;

  TMemoryPrinter* Find(std::u16string_view name);
  TMemoryPrinter* Find(uint64_t key);
  // The server part of a printer's full name; empty for a local printer.
  std::u16string ServerOf(const TMemoryPrinter& p) const;
  bool IsLocalServer(std::u16string_view server) const;
  TQueueState Snapshot(const TMemoryPrinter& p) const;
  // The job at index as the spooler reports it: position and printer set.
  TJobInfo JobAt(const TMemoryPrinter& p, size_t index) const;

  // Runs change on the printer and hands the differences to its
  // registrations (and printer changes to server registrations).
  template <class F>
  void Mutate(TMemoryPrinter& p, F&& change) {
    const TQueueState before = Snapshot(p);
    change(p);
    Publish(p, before, 0);
  }
  void Publish(const TMemoryPrinter& p, const TQueueState& before, uint32_t extraChange);
  void Deliver(TMemoryWatch& w, TChangeRead&& read);
};

}  // namespace ostrovel
