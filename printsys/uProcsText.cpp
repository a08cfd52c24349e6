// Status, size and quality texts.
#include <clocale>
#include <cmath>
#include <memory>
#include <mutex>

#include "uHooks.h"
#include "uProcs.h"
#include "uText.h"

namespace ostrovel {

namespace {

struct TStatusText {
  uint32_t Bit;
  const char16_t* Key;
  const char16_t* Default;
};

// Job status bits in the order their names are joined.
constexpr TStatusText kJobStatus[] = {
    {0x1, u"jobPaused", u"Paused"},
    {0x2, u"jobError", u"Error"},
    {0x4, u"jobDeleting", u"Deleting"},
    {0x8, u"jobSpooling", u"Spooling"},
    {0x10, u"jobPrinting", u"Printing"},
    {0x20, u"jobOffline", u"Offline"},
    {0x40, u"jobOutOfPaper", u"Out of Paper"},
    {0x80, u"jobPrinted", u"Printed"},
    {0x100, u"jobDeleted", u"Deleted"},
    {0x200, u"jobBlocked", u"Blocked Device"},
    {0x400, u"jobIntervention", u"Intervention Required"},
    {0x800, u"jobRestarting", u"Restarting"},
    {0x1000, u"jobSentToPrinter", u"Sent to Printer"},
};
constexpr size_t kJobNames = std::size(kJobStatus);

// The job names before any language is loaded (two differ in case).
constexpr const char16_t* kJobStartNames[kJobNames] = {
    u"Paused",
    u"Error",
    u"Deleting",
    u"Spooling",
    u"Printing",
    u"Offline",
    u"Out Of Paper",
    u"Printed",
    u"Deleted",
    u"Blocked Device",
    u"Intervention Required",
    u"Restarting",
    u"Sent To Printer",
};

// Printer status bits in the order their names are joined; Offline (0x80,
// or a printer set to work offline) comes last.
constexpr TStatusText kPrinterStatus[] = {
    {0x1, u"prnPaused", u"Paused"},
    {0x10, u"prnPaperOut", u"Paper Out"},
    {0x8, u"prnPaperJam", u"Paper Jam"},
    {0x40, u"prnPaperProblem", u"Paper Problem"},
    {0x2, u"prnError", u"Error"},
    {0x400, u"prnPrinting", u"Printing"},
    {0x800, u"prnOutputBinFull", u"Output Bin Full"},
    {0x100000, u"prnIntervention", u"User Intervention Required"},
    {0x20, u"prnManualFeed", u"Manual Feed"},
    {0x100, u"prnIOActive", u"IO Active"},
    {0x200, u"prnBusy", u"Busy"},
    {0x1000, u"prnNotAvailable", u"Not Available"},
    {0x4, u"prnDeleting", u"Deleting"},
    {0x2000, u"prnWaiting", u"Waiting"},
    {0x4000, u"prnProcessing", u"Processing"},
    {0x8000, u"prnInitializing", u"Initializing"},
    {0x10000, u"prnWarmingUp", u"Warming Up"},
    {0x20000, u"prnLowToner", u"Low Toner"},
    {0x40000, u"prnNoToner", u"No Toner"},
    {0x80000, u"prnPagePunt", u"Page Punt"},
    {0x200000, u"prnOutOfMemory", u"Out of Memory"},
    {0x400000, u"prnDoorOpen", u"Door Open"},
    {0x800000, u"prnUnknownServer", u"Unknown Server"},
    {0x1000000, u"prnPowerSave", u"Power Save"},
    {0x80, u"prnOffline", u"Offline"},
};
constexpr size_t kPrinterNames = std::size(kPrinterStatus);

struct TStatusNames {
  std::u16string Job[kJobNames];
  std::u16string Printer[kPrinterNames];
  std::u16string Opening;
  std::u16string ConnectionError;
};

std::mutex namesLock;
std::shared_ptr<const TStatusNames> names;  // guarded by namesLock

std::shared_ptr<const TStatusNames> StartNames() {
  auto n = std::make_shared<TStatusNames>();
  for (size_t i = 0; i < kJobNames; ++i) n->Job[i] = kJobStartNames[i];
  for (size_t i = 0; i < kPrinterNames; ++i) n->Printer[i] = kPrinterStatus[i].Default;
  n->Opening = u"Opening";
  n->ConnectionError = u"Connection error";
  return n;
}

std::shared_ptr<const TStatusNames> Names() {
  std::lock_guard lock(namesLock);
  if (!names) names = StartNames();
  return names;
}

void Join(std::u16string& text, const std::u16string& name) {
  if (!text.empty()) text += u" - ";
  text += name;
}

}  // namespace

void ResetStatusNames() {
  std::lock_guard lock(namesLock);
  names = StartNames();
}

void ReloadStatusNames() {
  auto n = std::make_shared<TStatusNames>();
  for (size_t i = 0; i < kJobNames; ++i)
    n->Job[i] = PrintsysLanguageText(u"tabQueue", kJobStatus[i].Key, kJobStatus[i].Default);
  for (size_t i = 0; i < kPrinterNames; ++i)
    n->Printer[i] =
        PrintsysLanguageText(u"tabQueue", kPrinterStatus[i].Key, kPrinterStatus[i].Default);
  n->Opening = PrintsysLanguageText(u"Global", u"strOpening", u"Opening");
  n->ConnectionError = PrintsysLanguageText(u"Global", u"strConnectionError", u"Connection error");
  std::lock_guard lock(namesLock);
  names = std::move(n);
}

std::u16string JobStatusText(uint32_t status) {
  const auto n = Names();
  std::u16string text;
  for (size_t i = 0; i < kJobNames; ++i)
    if (status & kJobStatus[i].Bit) Join(text, n->Job[i]);
  return text;
}

std::u16string PrinterStatusText(int64_t status, bool worksOffline) {
  const auto n = Names();
  if (status == -1) return n->Opening;
  if (status == -2) return n->ConnectionError;
  const auto bits = static_cast<uint32_t>(status);
  std::u16string text;
  for (size_t i = 0; i + 1 < kPrinterNames; ++i)
    if (bits & kPrinterStatus[i].Bit) Join(text, n->Printer[i]);
  if ((bits & psOffline) || worksOffline) Join(text, n->Printer[kPrinterNames - 1]);
  return text.empty() ? u" " : text;
}

std::u16string SizeText(uint64_t bytes) {
  static constexpr const char* kUnits[] = {" Bytes", " KB", " MB", " GB", " TB", " PB", " EB"};
  double value = static_cast<double>(bytes);
  size_t unit = 0;
  if (bytes < 999) {
    value /= 1024;
    unit = 1;
  } else {
    while (value >= 999 && unit + 1 < std::size(kUnits)) {
      value /= 1024;
      ++unit;
    }
  }
  // Two decimals, cut rather than rounded, without trailing zeros.
  const auto cents = static_cast<uint64_t>(std::floor(value * 100));
  std::string text = std::to_string(cents / 100);
  if (const uint64_t fraction = cents % 100) {
    const char* point = std::localeconv()->decimal_point;
    text += point && *point ? point : ".";
    text += static_cast<char>('0' + fraction / 10);
    if (fraction % 10) text += static_cast<char>('0' + fraction % 10);
  }
  return Utf8ToWide(text + kUnits[unit]);
}

std::u16string QualityText(int value, std::u16string_view high, std::u16string_view medium,
                           std::u16string_view low, std::u16string_view draft) {
  if (value > 0) {
    const std::u16string n = Utf8ToWide(std::to_string(value));
    return n + u" x " + n + u" DPI";
  }
  switch (value) {
    case -4:
      return std::u16string(high);
    case -3:
      return std::u16string(medium);
    case -2:
      return std::u16string(low);
  }
  return std::u16string(draft);
}

}  // namespace ostrovel
