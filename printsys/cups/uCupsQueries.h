// The reads and writes of the CUPS backend, one IPP request each, shared by
// its handles and its change registrations.
//
// Threads: TCupsShared may be used from any thread (its own lock); the
// functions use the caller's connection, which belongs to the caller's
// thread.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "uCupsIpp.h"
#include "uNotifyFields.h"
#include "uSpoolTypes.h"

namespace ostrovel {

// What IPP cannot hold for a job and the backend keeps itself: the user to
// notify and the end of the printing period.
struct TCupsJobExtras {
  std::u16string NotifyName;
  bool HasNotifyName = false;
  uint32_t UntilTime = 0;
};

struct TCupsShared {
  TCupsServer Local;
  std::u16string ComputerName;
  // How often registrations ask for events (set before registering).
  std::chrono::milliseconds PollInterval{500};

  // The scheduler for a server name (empty or this computer: the local
  // one).
  TCupsServer ServerFor(std::u16string_view server) const;

  std::mutex Lock;
  std::map<std::pair<std::string, uint32_t>, TCupsJobExtras> Extras;  // by host, job id
  void ApplyExtras(const TCupsServer& server, TJobInfo& job);
};

// A printer by its name on the scheduler; fullName is what it is called
// here (with \\server\ for another computer).
TSpoolResult<TPrinterInfo> CupsReadPrinter(TCupsConnection& c, const std::string& printer,
                                           const std::u16string& fullName);

// Every printer of the scheduler (CUPS-Get-Printers), named prefix + name.
TSpoolResult<std::vector<TPrinterInfo>> CupsReadPrinters(TCupsConnection& c,
                                                         const std::u16string& prefix);

// The active jobs of a printer in queue order.
TSpoolResult<std::vector<TJobInfo>> CupsReadJobs(TCupsShared& shared, TCupsConnection& c,
                                                 const std::string& printer,
                                                 const std::u16string& fullName);

TSpoolResult<TQueueState> CupsReadQueue(TCupsShared& shared, TCupsConnection& c,
                                        const std::string& printer, const std::u16string& fullName);

// A job operation (Hold-Job, Release-Job, ...) with optional extra
// attributes added by add.
uint32_t CupsJobRequest(TCupsConnection& c, ipp_op_t op, const std::string& printer, uint32_t jobId,
                        const std::function<void(ipp_t*)>& add = {});

// A printer operation without further attributes.
uint32_t CupsPrinterRequest(TCupsConnection& c, ipp_op_t op, const std::string& printer);

}  // namespace ostrovel
