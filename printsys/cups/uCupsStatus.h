// How IPP printer and job states and reasons read as spooler status bits.
// One table each; pure functions, any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrovel {

// IPP printer-state: 3 idle, 4 processing, 5 stopped.
uint32_t CupsPrinterStatus(int state, const std::vector<std::string>& reasons);

// IPP job-state: 3 pending, 4 pending-held, 5 processing, 6 processing-stopped,
// 7 canceled, 8 aborted, 9 completed. printerReasons are the
// job-printer-state-reasons of a processing job.
uint32_t CupsJobStatus(int state, const std::vector<std::string>& reasons,
                       const std::vector<std::string>& printerReasons);

// A reason without its "-error", "-warning" or "-report" suffix.
std::string_view CupsReasonKeyword(std::string_view reason);

}  // namespace ostrovel
