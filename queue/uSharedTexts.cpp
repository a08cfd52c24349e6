#include "uSharedTexts.h"

#include <mutex>

namespace ostrovel {

const std::array<TTextKey, 15> kJobStatusKeys = {{
    {0x1, "tabQueue", "jobPaused", u"Paused"},
    {0x2, "tabQueue", "jobError", u"Error"},
    {0x4, "tabQueue", "jobDeleting", u"Deleting"},
    {0x8, "tabQueue", "jobSpooling", u"Spooling"},
    {0x10, "tabQueue", "jobPrinting", u"Printing"},
    {0x20, "tabQueue", "jobOffline", u"Offline"},
    {0x40, "tabQueue", "jobOutOfPaper", u"Out of Paper"},
    {0x80, "tabQueue", "jobPrinted", u"Printed"},
    {0x100, "tabQueue", "jobDeleted", u"Deleted"},
    {0x200, "tabQueue", "jobBlocked", u"Blocked Device"},
    {0x400, "tabQueue", "jobIntervention", u"Intervention Required"},
    {0x800, "tabQueue", "jobRestarting", u"Restarting"},
    {0x1000, "tabQueue", "jobSentToPrinter", u"Sent to Printer"},
    {0, "tabQueue", "jobProcessing", u"Processing"},
    {0, "tabQueue", "jobPreparation", u"Preparation"},
}};

const std::array<TTextKey, 25> kPrinterStatusKeys = {{
    {0x1, "tabQueue", "prnPaused", u"Paused"},
    {0x10, "tabQueue", "prnPaperOut", u"Paper Out"},
    {0x8, "tabQueue", "prnPaperJam", u"Paper Jam"},
    {0x40, "tabQueue", "prnPaperProblem", u"Paper Problem"},
    {0x2, "tabQueue", "prnError", u"Error"},
    {0x400, "tabQueue", "prnPrinting", u"Printing"},
    {0x800, "tabQueue", "prnOutputBinFull", u"Output Bin Full"},
    {0x100000, "tabQueue", "prnIntervention", u"User Intervention Required"},
    {0x20, "tabQueue", "prnManualFeed", u"Manual Feed"},
    {0x100, "tabQueue", "prnIOActive", u"IO Active"},
    {0x200, "tabQueue", "prnBusy", u"Busy"},
    {0x1000, "tabQueue", "prnNotAvailable", u"Not Available"},
    {0x4, "tabQueue", "prnDeleting", u"Deleting"},
    {0x2000, "tabQueue", "prnWaiting", u"Waiting"},
    {0x4000, "tabQueue", "prnProcessing", u"Processing"},
    {0x8000, "tabQueue", "prnInitializing", u"Initializing"},
    {0x10000, "tabQueue", "prnWarmingUp", u"Warming Up"},
    {0x20000, "tabQueue", "prnLowToner", u"Low Toner"},
    {0x40000, "tabQueue", "prnNoToner", u"No Toner"},
    {0x80000, "tabQueue", "prnPagePunt", u"Page Punt"},
    {0x200000, "tabQueue", "prnOutOfMemory", u"Out of Memory"},
    {0x400000, "tabQueue", "prnDoorOpen", u"Door Open"},
    {0x800000, "tabQueue", "prnUnknownServer", u"Unknown Server"},
    {0x1000000, "tabQueue", "prnPowerSave", u"Power Save"},
    {0x80, "tabQueue", "prnOffline", u"Offline"},
}};

namespace {

constexpr TTextKey kOpening{0, "Global", "strOpening", u"Opening"};
constexpr TTextKey kConnectionError{0, "Global", "strConnectionError", u"Connection error"};
constexpr TTextKey kHigh{0, "tabReports", "strHigh", u"High"};
constexpr TTextKey kMedium{0, "tabReports", "strMedium", u"Medium"};
constexpr TTextKey kLow{0, "tabReports", "strLow", u"Low"};
constexpr TTextKey kDraft{0, "tabReports", "strDraft", u"Draft"};
constexpr TTextKey kYes{0, "Global", "strYes", u"Yes"};
constexpr TTextKey kNo{0, "Global", "strNo", u"No"};

std::u16string Read(const TIniFile& language, const TTextKey& key) {
  return language.ReadString(key.Section, key.Key, key.Default);
}

struct TState {
  std::mutex mutex;
  std::shared_ptr<const TSharedTexts> texts;
};

TState& State() {
  static TState state;
  return state;
}

}  // namespace

std::shared_ptr<const TSharedTexts> BuiltinSharedTexts() {
  auto texts = std::make_shared<TSharedTexts>();
  const TIniFile none;
  for (size_t i = 0; i < kJobStatusKeys.size(); ++i)
    texts->JobStatus[i] = Read(none, kJobStatusKeys[i]);
  // Until a language is loaded the spooler's own spelling is shown.
  texts->JobStatus[6] = u"Out Of Paper";
  texts->JobStatus[12] = u"Sent To Printer";
  for (size_t i = 0; i < kPrinterStatusKeys.size(); ++i)
    texts->PrinterStatus[i] = Read(none, kPrinterStatusKeys[i]);
  texts->Opening = Read(none, kOpening);
  texts->ConnectionError = Read(none, kConnectionError);
  texts->High = Read(none, kHigh);
  texts->Medium = Read(none, kMedium);
  texts->Low = Read(none, kLow);
  texts->Draft = Read(none, kDraft);
  texts->Yes = Read(none, kYes);
  texts->No = Read(none, kNo);
  return texts;
}

namespace {

// Copies the current texts, lets change alter the copy, and publishes it.
template <class Change>
void Update(Change change) {
  auto& state = State();
  std::lock_guard<std::mutex> hold(state.mutex);
  if (!state.texts) state.texts = BuiltinSharedTexts();
  auto next = std::make_shared<TSharedTexts>(*state.texts);
  change(*next);
  state.texts = std::move(next);
}

}  // namespace

std::shared_ptr<const TSharedTexts> SharedTexts() {
  auto& state = State();
  std::lock_guard<std::mutex> hold(state.mutex);
  if (!state.texts) state.texts = BuiltinSharedTexts();
  return state.texts;
}

void LoadSharedWords(const TIniFile& language) {
  Update([&](TSharedTexts& t) {
    t.Yes = Read(language, kYes);
    t.No = Read(language, kNo);
    t.High = Read(language, kHigh);
    t.Medium = Read(language, kMedium);
    t.Low = Read(language, kLow);
    t.Draft = Read(language, kDraft);
  });
}

void LoadStatusNames(const TIniFile& language) {
  Update([&](TSharedTexts& t) {
    for (size_t i = 0; i < kJobStatusKeys.size(); ++i)
      t.JobStatus[i] = Read(language, kJobStatusKeys[i]);
    for (size_t i = 0; i < kPrinterStatusKeys.size(); ++i)
      t.PrinterStatus[i] = Read(language, kPrinterStatusKeys[i]);
    t.Opening = Read(language, kOpening);
    t.ConnectionError = Read(language, kConnectionError);
  });
}

}  // namespace ostrovel
