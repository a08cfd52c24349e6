// CaptureJob: copies a job's spool data out of the spooler into a
// temporary spool file, analyses it (EMF scan or header scan) and writes
// everything into a job capture file; QueryDeviceGeometry: the printer's
// page geometry from the spooler.
//
// Threads: both run on a parse-request thread and use the spooler of
// CurrentSpooler(). The caller owns what CaptureJob returns: the spool file
// descriptor (hand it to TSpl, which closes it) and the capture file, which
// ReadCaptureFile/CloseCaptureFile delete.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "uSPLPages.h"
#include "uSpoolTypes.h"

namespace ostrovel {

// Receives internal failure texts ("getjob", "main", ...); may be empty.
using TCaptureDiagnostic = std::function<void(std::string_view text)>;

struct TCaptureResult {
  bool Ok = false;
  std::string CaptureFileName;  // empty on failure
  int SpoolFd = -1;             // the temporary spool file, deleted when closed
};

// How long CaptureJob waits for a job whose size is still 0: up to Attempts
// reads of the job, PauseMs apart.
struct TCaptureWait {
  int Attempts = 51;
  int PauseMs = 100;
};
void SetCaptureWait(TCaptureWait wait);  // tests

TCaptureResult CaptureJob(std::u16string_view printer, uint32_t jobId,
                          const TCaptureDiagnostic& diagnostic = {});

// Six geometry values of the printer for devMode (null: its defaults) in
// device units (mode 0) or millimetres (mode 1).
bool QueryDeviceGeometry(std::u16string_view printer, const TDevModeW* devMode, int mode,
                         TPageGeometry& out, const TCaptureDiagnostic& diagnostic = {});

}  // namespace ostrovel
