// An in-process spooler: printers, jobs with spool data, forms and change
// notifications, all in memory and driven by the calls below. Tests use it
// to play any spooler situation without timing luck; notifications are the
// differences between the states before and after each change, as a real
// spooler reports them.
//
// Threads: every call may come from any thread; one mutex guards the state.
// Handles and registrations keep the state alive, so they may outlive the
// spooler object.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "uSpooler.h"

namespace ostrovel {

// How far a printer lets the caller in.
enum class TMemoryGrant { Full, Default, UseOnly, None };

struct TMemoryState;

class TMemorySpooler final : public TSpooler {
 public:
  explicit TMemorySpooler(std::u16string computerName = u"LOCALHOST");
  ~TMemorySpooler() override;

  // --- The spooler interface -------------------------------------------
  TSpoolResult<std::unique_ptr<TPrinterHandle>> OpenPrinter(std::u16string_view name,
                                                            uint32_t access) override;
  TSpoolResult<std::vector<TPrinterInfo>> EnumPrinters(uint32_t flags, std::u16string_view name,
                                                       int level) override;
  TSpoolResult<std::u16string> GetDefaultPrinter() override;
  uint32_t SetDefaultPrinter(std::u16string_view name) override;
  uint32_t DeletePrinterConnection(std::u16string_view name) override;
  TSpoolResult<TDevModeW> DocumentProperties(std::u16string_view printer,
                                             const TDevModeW* devMode) override;
  TSpoolResult<TDeviceGeometry> DeviceGeometry(std::u16string_view printer,
                                               const TDevModeW* devMode) override;
  std::string AdminPage(std::u16string_view printer) override { return {}; }

  // --- Scripting --------------------------------------------------------
  // Adds a printer (info.Name is its full name; JobCount is derived).
  void AddPrinter(TPrinterInfo info);
  bool RemovePrinter(std::u16string_view name);
  bool RenamePrinter(std::u16string_view name, std::u16string_view newName);
  bool SetPrinterStatus(std::u16string_view name, uint32_t status);
  bool SetPrinterDefaults(std::u16string_view name, const TDevModeW& devMode,
                          const TDeviceGeometry& geometry);

  // Queues a job at the end of the printer's queue and returns its id (0 when
  // there is no such printer). JobId, Position and PrinterName are set here;
  // a zero Submitted time becomes now.
  uint32_t AddJob(std::u16string_view printer, TJobInfo job, std::string data = {});
  bool UpdateJob(std::u16string_view printer, uint32_t jobId,
                 const std::function<void(TJobInfo&)>& change);
  bool RemoveJob(std::u16string_view printer, uint32_t jobId);

  void SetForms(std::vector<TFormSize> forms);

  // Failures on demand.
  void SetGrant(std::u16string_view printer, TMemoryGrant grant);
  void FailOpen(std::u16string_view printer, uint32_t error);  // seNone to stop
  void FailWatch(std::u16string_view printer, bool fail);
  // Open handles and their registrations stop answering.
  void BreakHandles(std::u16string_view printer);
  void DiscardPending(std::u16string_view printer);  // pending changes are lost
  void SetMaxPendingItems(size_t count);             // more pending items are lost too

  // How often SetPrinter changed a printer (for "writes nothing" checks).
  int SetPrinterCalls() const;

 private:
  std::shared_ptr<TMemoryState> state_;
};

}  // namespace ostrovel
