// A handle of the in-process spooler: a printer, a server (printer 0) or a
// job of a printer. Used by one thread at a time.
#pragma once

#include "uMemoryState.h"

namespace ostrovel {

class TMemoryHandle final : public TPrinterHandle {
 public:
  TMemoryHandle(std::shared_ptr<TMemoryState> state, uint64_t printer, uint64_t generation,
                std::u16string server, uint32_t jobId);

  void SetAdmin(bool admin) { admin_ = admin; }

  TSizeQuery QueryPrinterSize() override;
  TSpoolResult<TPrinterInfo> GetPrinter() override;
  uint32_t SetPrinter(const TPrinterInfo& info) override;
  uint32_t ControlPrinter(TPrinterCommand command) override;
  uint32_t DeletePrinter() override;
  TSpoolResult<std::vector<TJobInfo>> EnumJobs(uint32_t first, uint32_t count, int level) override;
  TSpoolResult<TJobInfo> GetJob(uint32_t jobId) override;
  uint32_t SetJob(uint32_t jobId, const TJobInfo* info, TJobCommand command) override;
  TSpoolResult<size_t> ReadPrinter(std::span<uint8_t> buffer) override;
  TSpoolResult<std::vector<TFormSize>> EnumForms() override;
  TSpoolResult<std::unique_ptr<TChangeNotification>> WatchChanges(
      uint32_t filter, const TNotifyOptions& options) override;

  // Removes a printer and tells its registrations (state locked).
  static void DeleteLocked(TMemoryState& state, TMemoryPrinter& p);

 private:
  // The printer while this handle still answers for it (state locked).
  TMemoryPrinter* Printer();

  std::shared_ptr<TMemoryState> state_;
  uint64_t printer_;
  uint64_t generation_;
  std::u16string server_;
  uint32_t jobId_;
  bool admin_ = false;
  size_t read_ = 0;  // spool data bytes handed out so far
};

}  // namespace ostrovel
