#include "uJobCells.h"

#include <ctime>

#include "uProcs.h"
#include "uSPLType.h"
#include "uSharedTexts.h"
#include "uText.h"

namespace ostrovel {

namespace {

std::u16string Number(uint64_t n) { return AnsiToWide(std::to_string(n)); }

std::u16string SubmittedText(const TJobTime& t) {
  if (t.Year == 0) return {};
  std::tm tm{};
  tm.tm_year = t.Year - 1900;
  tm.tm_mon = t.Month - 1;
  tm.tm_mday = t.Day;
  tm.tm_hour = t.Hour;
  tm.tm_min = t.Minute;
  tm.tm_sec = t.Second;
  tm.tm_isdst = -1;
  char buffer[64];
  // The short date, and the time unless it is midnight.
  const bool midnight = t.Hour == 0 && t.Minute == 0 && t.Second == 0;
  const size_t n = std::strftime(buffer, sizeof buffer, midnight ? "%x" : "%x %X", &tm);
  return Utf8ToWide(std::string(buffer, n));
}

}  // namespace

std::u16string PagesCellText(const TQueueJob& job) {
  if (job.PagesPrinted > 0) return Number(job.PagesPrinted) + u"/" + Number(job.TotalPages);
  if (job.BytesPrinted > 0 && job.TotalPages > 0) {
    if (job.Size == 0) return {};
    const uint64_t product = uint64_t(job.TotalPages) * job.BytesPrinted;
    uint64_t estimate = product / job.Size;
    const uint64_t rest = product % job.Size;
    if (2 * rest > job.Size || (2 * rest == job.Size && (estimate & 1))) ++estimate;
    return Number(estimate) + u"/" + Number(job.TotalPages);
  }
  return Number(job.TotalPages);
}

std::u16string JobCellText(const TQueueJob& job, int column, const TFormLookup& forms) {
  const auto texts = SharedTexts();
  switch (column) {
    case jcUser: return std::u16string(job.User.View());
    case jcComputer: return std::u16string(job.Machine.View());
    case jcDocument: return std::u16string(job.Document.View());
    case jcStatus: return JobStatusText(job.Status);
    case jcPages: return PagesCellText(job);
    case jcCopies: return AnsiToWide(std::to_string(job.Copies));
    case jcSize:
      if (job.Status & 0x10) return SizeText(job.BytesPrinted) + u"/" + SizeText(job.Size);
      return SizeText(job.Size);
    case jcSubmitted: return SubmittedText(job.Submitted);
    case jcPaperSize: return PaperSizeName(job.PaperSize, job.PaperWidth, job.PaperLength, forms);
    case jcQuality: return QualityText(job.Quality, texts->High, texts->Medium, texts->Low, texts->Draft);
    case jcPriority: return Number(job.Priority);
    case jcColor: return (job.Attributes & jaColour) ? texts->Yes : texts->No;
    case jcDuplex: return (job.Attributes & jaDuplex) ? texts->Yes : texts->No;
    case jcDataType:
      return AnsiToWide(DataTypeName(job.DataType)) + (job.Has(jfParseRequested) ? u"*" : u"");
    case jcPosition: return job.Position ? Number(job.Position) : std::u16string();
    case jcJobId: return Number(job.JobId);
    case jcPortName: return std::u16string(job.PortName.View());
    default: return {};
  }
}

}  // namespace ostrovel
