// The print spooler as the program sees it. Two backends implement it: the
// real one over CUPS and an in-process one for tests and demonstrations.
//
// Threads: a TSpooler may be used from any thread at once. A handle or a
// change registration belongs to the thread that uses it (one at a time);
// it may be destroyed on any thread. Every object a call returns is owned by
// the caller; destroying a handle closes it, destroying a registration ends
// it. Handles and registrations may outlive the spooler object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "uPaperName.h"
#include "uSpoolTypes.h"

namespace ostrovel {

// A change-notification registration on a printer or a print server.
class TChangeNotification {
 public:
  virtual ~TChangeNotification() = default;

  // A descriptor that polls readable while changes are pending.
  virtual int WaitFd() const = 0;

  // Takes the pending change word and data and clears the descriptor. With
  // kNotifyRefresh in flags the data hold the whole current state instead.
  // A batch with kNotifyDiscarded lost changes: read again with refresh.
  virtual TSpoolResult<TChangeRead> Next(uint32_t flags) = 0;
};

// An open printer, print server ("\\computer" or empty for the local one)
// or job ("printer,Job 12").
class TPrinterHandle {
 public:
  virtual ~TPrinterHandle() = default;

  // The size query of the printer information: seInsufficientBuffer while
  // the printer answers.
  virtual TSizeQuery QueryPrinterSize() = 0;
  virtual TSpoolResult<TPrinterInfo> GetPrinter() = 0;
  // Writes the attributes (work offline) of a printer information block.
  virtual uint32_t SetPrinter(const TPrinterInfo& info) = 0;
  virtual uint32_t ControlPrinter(TPrinterCommand command) = 0;
  virtual uint32_t DeletePrinter() = 0;

  // Jobs at positions first .. first+count-1 (0-based) at level 1 or 2;
  // fewer (or none) past the end of the queue.
  virtual TSpoolResult<std::vector<TJobInfo>> EnumJobs(uint32_t first, uint32_t count,
                                                       int level) = 0;
  virtual TSpoolResult<TJobInfo> GetJob(uint32_t jobId) = 0;
  // Writes NotifyName, Document, Priority, StartTime, UntilTime of info
  // (when given), then runs command (when not jcNone).
  virtual uint32_t SetJob(uint32_t jobId, const TJobInfo* info, TJobCommand command) = 0;

  // The next piece of a job handle's spool data; 0 bytes at the end.
  virtual TSpoolResult<size_t> ReadPrinter(std::span<uint8_t> buffer) = 0;

  virtual TSpoolResult<std::vector<TFormSize>> EnumForms() = 0;

  // Registers for changes with the fields of options. filter takes
  // TPrinterChange bits; both spoolers report every change (callers pass
  // chAll).
  virtual TSpoolResult<std::unique_ptr<TChangeNotification>> WatchChanges(
      uint32_t filter, const TNotifyOptions& options) = 0;
};

class TSpooler {
 public:
  virtual ~TSpooler() = default;

  virtual TSpoolResult<std::unique_ptr<TPrinterHandle>> OpenPrinter(std::u16string_view name,
                                                                    uint32_t access) = 0;

  // peLocal/peConnections: the local printers at level 1; peName with a
  // server name ("\\computer"): that server's printers at level 2, full
  // names.
  virtual TSpoolResult<std::vector<TPrinterInfo>> EnumPrinters(uint32_t flags,
                                                               std::u16string_view name,
                                                               int level) = 0;

  virtual TSpoolResult<std::u16string> GetDefaultPrinter() = 0;
  virtual uint32_t SetDefaultPrinter(std::u16string_view name) = 0;
  virtual uint32_t DeletePrinterConnection(std::u16string_view name) = 0;

  // The printer's default device mode merged with the fields that devMode
  // (when given) sets.
  virtual TSpoolResult<TDevModeW> DocumentProperties(std::u16string_view printer,
                                                     const TDevModeW* devMode) = 0;
  virtual TSpoolResult<TDeviceGeometry> DeviceGeometry(std::u16string_view printer,
                                                       const TDevModeW* devMode) = 0;

  // The address of the spooler's own page for a printer (empty printer: its
  // administration page); empty when the spooler has none.
  virtual std::string AdminPage(std::u16string_view printer) = 0;
};

}  // namespace ostrovel
