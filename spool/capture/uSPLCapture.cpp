#include "uSPLCapture.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "ParserEmfSpl.h"
#include "uJobInfoBlock.h"
#include "uProcs.h"
#include "uSPLProc.h"
#include "uSPLSaveRead.h"
#include "uTempFiles.h"
#include "uText.h"

namespace ostrovel {

namespace {

constexpr size_t kPiece = 64 * 1024;
// The page table never grows past this many pages, whatever page count the
// spool data claims.
constexpr int64_t kMaxPages = 100000;

std::atomic<int> waitAttempts{51};
std::atomic<int> waitPauseMs{100};

bool ContainsUpper(std::u16string_view text, std::u16string_view word) {
  std::u16string upper(text);
  for (char16_t& c : upper)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return upper.find(word) != std::u16string::npos;
}

// The job's information as our level-2 block. The spooler interface hands
// out only the public part of a device mode, so the block's device mode
// announces no driver bytes.
TJobInfoBlock JobInfoBlock(const TJobInfo& job) {
  TJobInfoFields f;
  TJobInfoHead& h = f.Head;
  h.JobId = job.JobId;
  h.Status = job.Status;
  h.Priority = job.Priority;
  h.Position = job.Position;
  h.StartTime = job.StartTime;
  h.UntilTime = job.UntilTime;
  h.TotalPages = job.TotalPages;
  h.Size = job.Size;
  const TSystemTime& t = job.Submitted;
  const uint16_t submitted[8] = {t.Year, t.Month,  t.DayOfWeek, t.Day,
                                 t.Hour, t.Minute, t.Second,    t.Milliseconds};
  std::memcpy(h.Submitted, submitted, sizeof submitted);
  h.PagesPrinted = job.PagesPrinted;
  h.BytesPrinted = job.BytesPrinted;
  f.Texts[jisPrinterName] = job.PrinterName;
  f.Texts[jisMachineName] = job.MachineName;
  f.Texts[jisUserName] = job.UserName;
  f.Texts[jisDocument] = job.Document;
  f.Texts[jisNotifyName] = job.NotifyName;
  f.Texts[jisDataType] = job.DataType;
  f.Texts[jisPrintProcessor] = job.PrintProcessor;
  if (job.DevMode) {
    TDevModeW dm = *job.DevMode;
    dm.dmDriverExtra = 0;
    f.DevMode.resize(sizeof dm);
    std::memcpy(f.DevMode.data(), &dm, sizeof dm);
  }
  return MakeJobInfoBlock(f);
}

// The k-th (1-based) blank-separated number of list, 0 when there are fewer.
std::vector<int64_t> Numbers(std::u16string_view list) {
  std::vector<int64_t> numbers;
  size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && list[i] == u' ') ++i;
    if (i == list.size()) break;
    int64_t value = 0;
    bool digits = false;
    for (; i < list.size() && list[i] != u' '; ++i) {
      if (list[i] >= u'0' && list[i] <= u'9' && value < (int64_t{1} << 50)) {
        value = value * 10 + (list[i] - u'0');
        digits = true;
      }
    }
    numbers.push_back(digits ? value : 0);
  }
  return numbers;
}

int64_t RoundEven(double v) {
  return static_cast<int64_t>(std::nearbyint(v));
}

// Everything the steps of one capture share.
struct TCapture {
  TCapture(std::u16string_view p, uint32_t id, const TCaptureDiagnostic& d)
      : printer(p), jobId(id), diagnostic(d) {}
  std::u16string printer;
  uint32_t jobId = 0;
  const TCaptureDiagnostic& diagnostic;
  int spoolFd = -1;
  int captureFd = -1;
  std::string captureName;
  TSPLInfo info;
  TArraySplStream pages;
  std::u16string dataType;
  uint32_t totalPages = 0;
  std::vector<uint8_t> devMode;  // the current device mode
  int64_t devModeOffset = 0, devModeSize = 0;
  int64_t spoolBase = 0, spoolSize = 0;
  bool writeError = false;

  void Report(std::string_view text) const {
    if (diagnostic) diagnostic(text);
  }
  bool JobInformation(TPrinterHandle& handle, TCaptureWriter& w);
  void SpoolData(TPrinterHandle& handle);
  void Analyse();
  void RawPages();
  void FirstPageGeometry();
  bool WriteCaptureFile(TCaptureWriter& w);
};

bool TCapture::JobInformation(TPrinterHandle& handle, TCaptureWriter& w) {
  // A job still being written reports size 0 for a while.
  const int attempts = waitAttempts.load();
  for (int i = 0; i < attempts; ++i) {
    auto job = handle.GetJob(jobId);
    if (!job.Ok()) break;
    if (job.Value.Size != 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(waitPauseMs.load()));
  }
  auto job = handle.GetJob(jobId);
  if (!job.Ok()) {
    Report("getjob");
    return false;
  }
  if (!w.Magic()) return false;
  w.StartSums();
  w.JobInfo(JobInfoBlock(job.Value));
  if (job.Value.DevMode) {
    TDevModeW dm = *job.Value.DevMode;
    dm.dmDriverExtra = 0;
    w.Header(crDevMode, sizeof dm, true);
    devModeOffset = w.Position();
    devModeSize = sizeof dm;
    w.Payload(&dm, sizeof dm);
    // The current device mode is the one the file holds.
    w.CountAnnounced(sizeof dm);
    devMode.assign(sizeof dm, 0);
    const ssize_t n = pread(captureFd, devMode.data(), devMode.size(), devModeOffset);
    if (n > 0) w.CountWritten(static_cast<uint64_t>(n));
  }
  dataType = job.Value.DataType;
  totalPages = job.Value.TotalPages;
  if (!w.SumsMatch()) {
    Report("write_jobinfo2");
    return false;
  }
  return true;
}

void TCapture::SpoolData(TPrinterHandle& handle) {
  std::vector<uint8_t> buffer(kPiece);
  for (;;) {
    auto n = handle.ReadPrinter(buffer);
    if (!n.Ok() || n.Value == 0) break;
    if (CaptureWrite(spoolFd, buffer.data(), n.Value) != static_cast<ssize_t>(n.Value)) {
      writeError = true;
      break;
    }
  }
}

void TCapture::RawPages() {
  pages.assign(1, TSplPageRecord{});
  if (!ContainsUpper(dataType, u"TEXT"))
    pages[0].Language = ScanSpoolFile(spoolFd, info) ? info.Language : 0;
  else
    pages[0].Language = slText;

  int64_t count = info.Pages > 0 ? info.Pages : (totalPages >= 2 ? totalPages : 1);
  count = std::min(count, kMaxPages);
  pages.resize(static_cast<size_t>(count));
  pages[0].SpoolBase = spoolBase;
  pages[0].SpoolSize = spoolSize;
  pages[0].JobId = jobId;

  if (!info.JobOffsets.empty()) {
    const std::vector<int64_t> numbers = Numbers(info.JobOffsets);
    auto number = [&](size_t k) { return k - 1 < numbers.size() ? numbers[k - 1] : 0; };
    for (size_t i = 0; i < pages.size(); ++i) {
      pages[i].DataOffset = number(i + 1) + spoolBase - 1;
      pages[i].DataSize = number(i + 2) - number(i + 1) - 1;
    }
  }
  const uint8_t language = static_cast<uint8_t>(pages[0].Language);
  if (language <= slEsc) pages.back().Name = AnsiToWide(LanguageName(language));
  FirstPageGeometry();
}

void TCapture::FirstPageGeometry() {
  TSplPageRecord& first = pages[0];
  TDevModeW dm{};
  const TDevModeW* current = nullptr;
  if (!devMode.empty()) current = &(dm = DevModeFromBytes(devMode));
  QueryDeviceGeometry(printer, current, 0, first.Device, diagnostic);
  QueryDeviceGeometry(printer, current, 1, first.Mm, diagnostic);

  int64_t resolution = 0;
  if (first.Device.PhysicalWidth > 0 && first.Mm.PhysicalWidth > 0)
    resolution = RoundEven(first.Device.PhysicalWidth * 25.4 / first.Mm.PhysicalWidth);
  if (first.Device.PhysicalHeight > 0 && first.Mm.PhysicalHeight > 0)
    resolution = RoundEven(first.Device.PhysicalHeight * 25.4 / first.Mm.PhysicalHeight);
  if (first.Mm.PhysicalWidth < info.PaperWidthMm) first.Mm.PhysicalWidth = info.PaperWidthMm;
  if (first.Mm.PhysicalHeight < info.PaperLengthMm) first.Mm.PhysicalHeight = info.PaperLengthMm;
  if (resolution > 0 && info.Resolution > resolution) {
    const double r = info.Resolution / 25.4;
    first.Device.PhysicalWidth = RoundEven(first.Mm.PhysicalWidth * r);
    first.Device.PhysicalHeight = RoundEven(first.Mm.PhysicalHeight * r);
    first.Device.OffsetX = RoundEven(first.Mm.OffsetX * r);
    first.Device.OffsetY = RoundEven(first.Mm.OffsetY * r);
  }
}

void TCapture::Analyse() {
  if (ContainsUpper(dataType, u"EMF")) {
    TEmfScanInput input;
    input.JobId = jobId;
    input.SpoolBase = spoolBase;
    input.SpoolSize = spoolSize;
    input.DevMode = devMode;
    input.DevModeOffset = devModeOffset;
    input.DevModeSize = devModeSize;
    input.Geometry = [this](const TDevModeW* dm, int mode, TPageGeometry& out) {
      return QueryDeviceGeometry(printer, dm, mode, out, diagnostic);
    };
    if (ScanEmfSpool(spoolFd, input, pages, info)) {
      devMode = std::move(input.DevMode);
      devModeOffset = input.DevModeOffset;
      devModeSize = input.DevModeSize;
      return;
    }
  }
  RawPages();
}

bool TCapture::WriteCaptureFile(TCaptureWriter& w) {
  lseek(spoolFd, 0, SEEK_SET);
  w.Header(crSpoolData, static_cast<uint32_t>(spoolSize), false);
  std::vector<uint8_t> buffer(kPiece);
  for (;;) {
    const ssize_t n = read(spoolFd, buffer.data(), buffer.size());
    if (n <= 0) break;
    if (CaptureWrite(captureFd, buffer.data(), static_cast<size_t>(n)) != n) {
      writeError = true;
      break;
    }
  }
  w.Header(crSpoolEnd, 8, false);
  w.StartSums();
  w.Header(crPages, static_cast<uint32_t>(pages.size()), false);
  for (size_t i = 0; i < pages.size(); ++i) {
    lseek(captureFd, 0, SEEK_END);
    if (i + 1 == pages.size()) {
      pages[i].DevModeOffset = devModeOffset;
      pages[i].DevModeSize = devModeSize;
    }
    w.Page(pages[i]);
    if (!w.SumsMatch()) {
      Report("write_prnspl");
      return false;
    }
  }
  pages.clear();
  w.Attributes(info);
  if (!w.SumsMatch()) {
    Report("write_prnspl_2");
    return false;
  }
  w.Header(crEnd, 0, false);
  return true;
}

}  // namespace

void SetCaptureWait(TCaptureWait wait) {
  waitAttempts.store(wait.Attempts);
  waitPauseMs.store(wait.PauseMs);
}

TCaptureResult CaptureJob(std::u16string_view printer, uint32_t jobId,
                          const TCaptureDiagnostic& diagnostic) {
  TCapture c(printer, jobId, diagnostic);
  ClearSplInfo(c.info);
  bool ok = false;
  try {
    const std::string base = TempBaseName(printer, jobId);
    c.spoolFd = CreateTempFile(base, true, nullptr);
    if (c.spoolFd < 0) c.Report(base);
    c.captureFd = CreateTempFile(base, false, &c.captureName);
    if (c.captureFd < 0) c.Report("tmp file not found");
    const auto spooler = CurrentSpooler();
    if (c.spoolFd >= 0 && c.captureFd >= 0 && spooler) {
      auto handle = spooler->OpenPrinter(
          std::u16string(printer) + u",Job " + AnsiToWide(std::to_string(jobId)), paDefault);
      if (handle.Ok()) {
        TCaptureWriter w(c.captureFd);
        if (c.JobInformation(*handle.Value, w)) {
          c.SpoolData(*handle.Value);
          handle.Value.reset();
          c.spoolBase = w.Position() + 8;
          c.spoolSize = lseek(c.spoolFd, 0, SEEK_END);
          if (!c.writeError) c.Analyse();
          ok = c.WriteCaptureFile(w) && !c.writeError;
        }
      } else {
        c.Report("by file handle");
      }
    }
  } catch (...) {
    c.Report("main");
    ok = false;
  }

  TCaptureResult result;
  if (c.captureFd >= 0) close(c.captureFd);
  if (ok) {
    result.Ok = true;
    result.CaptureFileName = c.captureName;
    result.SpoolFd = c.spoolFd;
    lseek(c.spoolFd, 0, SEEK_SET);
    return result;
  }
  if (!c.captureName.empty()) unlink(c.captureName.c_str());
  if (c.spoolFd >= 0) close(c.spoolFd);
  return result;
}

}  // namespace ostrovel
