#include "uJobUpdate.h"

#include <algorithm>
#include <variant>

#include "uProcs.h"
#include "uSpoolName.h"

namespace ostrovel {

namespace {

TJobTime LocalJobTime(const TSystemTime& utc) {
  const TSystemTime t = UtcToLocalSystemTime(utc);
  return TJobTime{t.Year, t.Month, t.DayOfWeek, t.Day, t.Hour, t.Minute, t.Second, t.Milliseconds};
}

void ApplyPaper(TQueueJob& job, const TDevModeW& dm) {
  if (job.Has(jfPaperFixed)) return;
  const TPaperDimensions paper = PaperDimensions(dm);
  job.PaperSize = dm.dmPaperSize;
  job.PaperWidth = paper.Width;
  job.PaperLength = paper.Length;
}

}  // namespace

uint8_t DataTypeCode(std::u16string_view text) {
  if (SameText(text, u"TEXT")) return 1;
  if (text.starts_with(u"NT EMF")) return 2;
  return 0;
}

void ParseUserName(TQueueJob& job, std::u16string_view text) {
  if (text.empty()) return;
  bool fixed = false;
  const size_t p = text.find(u" (");
  if (text.back() == u')' && p != std::u16string_view::npos) {
    // Three dots after the opening parenthesis, the last before ")".
    const size_t d1 = text.find(u'.', p + 2);
    const size_t d2 = d1 == std::u16string_view::npos ? d1 : text.find(u'.', d1 + 1);
    const size_t d3 = d2 == std::u16string_view::npos ? d2 : text.find(u'.', d2 + 1);
    if (d3 != std::u16string_view::npos && d3 < text.size() - 2) {
      job.Machine.Assign(u"\\\\" + std::u16string(text.substr(p + 2, text.size() - p - 3)));
      job.User.Assign(text.substr(0, p));
      job.Flags |= jfUserFixed | jfMachineFixed;
      fixed = true;
    }
  }
  if (!fixed) job.User.Assign(text);
  if (job.Machine.View().starts_with(u"\\")) job.Machine.Assign(LookupComputerName(job.Machine.View()));
}

void UpdateJobFromInfo(TQueueJob& job, const TJobInfo& info) {
  if (!job.Has(jfMachineFixed)) job.Machine.Assign(info.MachineName);
  if (!job.Has(jfUserFixed)) {
    job.User.Assign(info.UserName);
    ParseUserName(job, info.UserName);
  }
  if (!job.Has(jfTitleAdded)) job.Document.Assign(info.Document);
  if (!job.Has(jfAnalysed)) job.DataType = DataTypeCode(info.DataType);
  if (info.DevMode) {
    const TDevModeW& dm = *info.DevMode;
    if (!job.Has(jfAnalysed)) job.Copies = dm.dmCopies;
    ApplyPaper(job, dm);
    if (dm.dmColor == 2) job.Attributes |= jaColour;
    if (dm.dmDuplex != 1) job.Attributes |= jaDuplex;
    if (dm.dmOrientation == 2) job.Attributes |= jaLandscape;
  }
  job.Position = info.Position;
  job.NotifyName.Assign(info.NotifyName);
  job.PrintProcessor.Assign(info.PrintProcessor);
  job.StartTime = info.StartTime;
  job.UntilTime = info.UntilTime;
  job.Status = info.Status;
  job.Priority = info.Priority;
  if (!job.Has(jfAnalysed)) job.TotalPages = std::max(job.TotalPages, info.TotalPages);
  job.PagesPrinted = std::max(job.PagesPrinted, info.PagesPrinted);
  job.Size = std::max(job.Size, info.Size);
  job.BytesPrinted = 0;
  job.JobId = info.JobId;
  job.Submitted = LocalJobTime(info.Submitted);
}

bool ApplyJobItem(TQueueJob& job, const TNotifyItem& item) {
  const auto* text = std::get_if<std::u16string>(&item.Value);
  const auto* number = std::get_if<uint32_t>(&item.Value);
  const bool hasText = text && !text->empty();
  const uint32_t n = number ? *number : 0;
  switch (item.Field) {
    case jfMachineName:
      if (hasText && !job.Has(jfMachineFixed)) job.Machine.Assign(*text);
      break;
    case jfPortName:
      if (hasText && job.PortName.Empty()) job.PortName.Assign(*text);
      break;
    case jfUserName:
      if (hasText && !job.Has(jfUserFixed)) ParseUserName(job, *text);
      break;
    case jfNotifyName:
      if (hasText) job.NotifyName.Assign(*text);
      break;
    case jfDataType:
      if (hasText && !job.Has(jfAnalysed)) job.DataType = DataTypeCode(*text);
      break;
    case jfPrintProcessor:
      if (hasText) job.PrintProcessor.Assign(*text);
      break;
    case jfDevMode:
      if (const auto* dm = std::get_if<TDevModeW>(&item.Value)) {
        if (!job.Has(jfAnalysed) && job.Copies == 0) job.Copies = dm->dmCopies;
        ApplyPaper(job, *dm);
        if (dm->dmOrientation == 2) job.Attributes |= jaLandscape;
        job.Attributes |= dm->dmColor == 2 ? jaColour : jaMonochrome;
        job.Attributes |= dm->dmDuplex != 1 ? jaDuplex : jaSimplex;
        job.Quality = dm->dmPrintQuality;
      }
      break;
    case jfStatus:
      if (number && n != job.Status) {
        job.Status = n;
        if (job.Has(jfAwaitSpooled) && !(n & jsSpooling)) {
          job.Flags &= ~jfAwaitSpooled;
          return true;
        }
      }
      break;
    case jfDocument:
      if (hasText && !job.Has(jfTitleAdded)) job.Document.Assign(*text);
      break;
    case jfPriority:
      if (number) job.Priority = n;
      break;
    case jfPosition:
      if (number) job.Position = n;
      break;
    case jfSubmitted:
      if (const auto* t = std::get_if<TSystemTime>(&item.Value)) job.Submitted = LocalJobTime(*t);
      break;
    case jfStartTime:
      if (number) job.StartTime = n;
      break;
    case jfUntilTime:
      if (number) job.UntilTime = n;
      break;
    case jfTotalPages:
      if (number && !job.Has(jfAnalysed)) job.TotalPages = std::max(job.TotalPages, n);
      break;
    case jfPagesPrinted:
      if (number) job.PagesPrinted = n;
      break;
    case jfTotalBytes:
      if (number) job.Size = std::max(job.Size, n);
      break;
    case jfBytesPrinted:
      if (number) job.BytesPrinted = std::max(job.BytesPrinted, n);
      break;
    default:
      break;
  }
  return false;
}

}  // namespace ostrovel
