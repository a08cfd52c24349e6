#include "uCupsStatus.h"

#include "uSpoolTypes.h"

namespace ostrovel {

namespace {

struct TReasonBits {
  std::string_view Keyword;
  uint32_t Bits;
};

// Printer reasons. A jam, an empty supply or an open door also asks for the
// user.
constexpr TReasonBits kPrinterReasons[] = {
    {"paused", psPaused},
    {"media-empty", psPaperOut | psUserIntervention},
    {"media-needed", psPaperOut | psUserIntervention},
    {"media-jam", psPaperJam | psUserIntervention},
    {"input-manual-input-request", psManualFeed},
    {"media-low", psPaperProblem},
    {"input-tray-missing", psPaperProblem},
    {"offline", psOffline},
    {"shutdown", psOffline},
    {"timed-out", psOffline},
    {"connecting-to-device", psWaiting},
    {"toner-low", psTonerLow},
    {"marker-supply-low", psTonerLow},
    {"toner-empty", psNoToner | psUserIntervention},
    {"marker-supply-empty", psNoToner | psUserIntervention},
    {"door-open", psDoorOpen | psUserIntervention},
    {"cover-open", psDoorOpen | psUserIntervention},
    {"output-area-full", psOutputBinFull},
};

// Printer reasons a processing job carries over.
constexpr TReasonBits kJobPrinterReasons[] = {
    {"media-empty", jsPaperOut},
    {"media-needed", jsPaperOut},
    {"offline", jsOffline},
    {"timed-out", jsOffline},
};

bool Has(const std::vector<std::string>& reasons, std::string_view keyword) {
  for (const auto& r : reasons)
    if (CupsReasonKeyword(r) == keyword) return true;
  return false;
}

uint32_t FromTable(const std::vector<std::string>& reasons, const auto& table) {
  uint32_t bits = 0;
  for (const auto& r : reasons) {
    const std::string_view k = CupsReasonKeyword(r);
    for (const auto& row : table)
      if (row.Keyword == k) bits |= row.Bits;
  }
  return bits;
}

}  // namespace

std::string_view CupsReasonKeyword(std::string_view reason) {
  for (std::string_view suffix : {"-error", "-warning", "-report"})
    if (reason.size() > suffix.size() && reason.ends_with(suffix))
      return reason.substr(0, reason.size() - suffix.size());
  return reason;
}

uint32_t CupsPrinterStatus(int state, const std::vector<std::string>& reasons) {
  uint32_t bits = FromTable(reasons, kPrinterReasons);
  for (const auto& r : reasons)
    if (r.size() > 6 && r.ends_with("-error")) bits |= psError;
  if (state == 5) bits |= psPaused;  // stopped: only resuming lets it print
  if (state == 4) bits |= psPrinting;
  return bits;
}

uint32_t CupsJobStatus(int state, const std::vector<std::string>& reasons,
                       const std::vector<std::string>& printerReasons) {
  switch (state) {
    case 3:
      return 0;
    case 4:
      return Has(reasons, "job-incoming") ? jsSpooling : jsPaused;
    case 5: {
      uint32_t bits = jsPrinting | FromTable(printerReasons, kJobPrinterReasons);
      if (Has(reasons, "processing-to-stop-point")) bits |= jsDeleting;
      return bits;
    }
    case 6:
    case 8:
      return jsError;
    case 7:
      return jsDeleted;
    case 9:
      return jsPrinted;
  }
  return 0;
}

}  // namespace ostrovel
