// An open printer, server or job of the CUPS backend, with its own
// connection to the scheduler. Used by one thread at a time.
#pragma once

#include "uCupsQueries.h"
#include "uSpooler.h"

namespace ostrovel {

class TCupsHandle final : public TPrinterHandle {
 public:
  // printer empty: a server handle. prefix is "\\server\" or empty.
  TCupsHandle(std::shared_ptr<TCupsShared> shared, TCupsServer server, std::string printer,
              std::u16string prefix, uint32_t jobId);

  // Whether the printer (and job) exists; the open's answer.
  uint32_t Check();

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

 private:
  std::u16string FullName() const;
  uint32_t StartDocument();

  std::shared_ptr<TCupsShared> shared_;
  TCupsServer server_;
  TCupsConnection connection_;
  std::string printer_;
  std::u16string prefix_;
  uint32_t jobId_;

  // Spool data of a job handle: documents 1..documents_, the current one's
  // bytes being read from the connection.
  int documents_ = -1;
  int document_ = 0;
  bool reading_ = false;
};

}  // namespace ostrovel
