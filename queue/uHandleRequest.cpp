// The parse-request handler: one job's analysis on a pool thread, from
// marking the job to merging what its spool data says into the live record.
#include <cerrno>
#include <cstring>
#include <memory>

#include "uLogs.h"
#include "uNameLock.h"
#include "uParseRequest.h"
#include "uSPL.h"
#include "uSPLCapture.h"
#include "uSPLMerge.h"
#include "uSPLSaveRead.h"
#include "uSelectedPrinter.h"
#include "uText.h"

namespace ostrovel {

namespace {

// The request's names and the job as it was when it was made.
struct TRequestRun {
  TParseRequest& request;
  std::u16string printer;
  uint32_t jobId;

  // "printer:job id" in double quotes, as the log texts name a job.
  std::string LogName() const {
    return "\"" + WideToAnsi(printer) + ":" + std::to_string(jobId) + "\"";
  }
};

void RestoreJob(const TRequestRun& run) {
  try {
    WithLiveJob(run.printer, run.jobId,
                [](TQueueJob& job) { job.Flags &= ~(jfParsing | jfParseRequested); });
  } catch (...) {
    LogError(0, errno, "uQueue.HandleRequest.RestoreJob - " + run.LogName());
  }
}

void MarkJobParsing(const TRequestRun& run) {
  try {
    WithLiveJob(run.printer, run.jobId, [](TQueueJob& job) { job.Flags |= jfParsing; });
    WakePrinterWatcher(run.printer);
  } catch (...) {
    LogError(0, errno, "uQueue.HandleRequest.RestoreJob - " + run.LogName());
  }
}

// Captures the job, keeps the header scan's findings and runs the stream
// parser over the spool data. A failed capture restores the job.
void SaveSpoolFile(const TRequestRun& run, TSPLInfo& info, std::unique_ptr<TSpl>& spl) {
  try {
    const TCaptureResult capture = CaptureJob(
        run.printer, run.jobId, [](std::string_view text) { ReportDiagnostic(0, text, 0, 0); });
    if (!capture.Ok) {
      RestoreJob(run);
      return;
    }
    TJobInfoBlock jobInfo;
    TArraySplStream pages;
    const int handle = ReadCaptureFile(capture.CaptureFileName, info, jobInfo, pages);
    if (handle >= 0) CloseCaptureFile(handle, jobInfo, pages);
    spl = std::make_unique<TSpl>(capture.SpoolFd);
    spl->Parse();
  } catch (...) {
    LogError(0, errno, "uQueue.HandleRequest.ParseJob,SaveSpoolFile - " + run.LogName());
  }
}

bool IsWordDocument(const TQueueJob& job) {
  const std::string name = WideToAnsi(job.Document.View()).substr(0, 161);
  return name.rfind("Microsoft Word", 0) == 0;
}

void ParseJob(const TRequestRun& run) {
  TQueueJob& copy = run.request.Job;
  TSPLInfo info;
  std::unique_ptr<TSpl> spl;
  TAnalysisMerge merge;
  merge.Job = {copy.DataType, static_cast<uint32_t>(copy.Copies), copy.TotalPages};
  try {
    switch (copy.DataType) {
      case sdtRaw:
        SaveSpoolFile(run, info, spl);
        break;
      case sdtText:
        info.Language = slText;
        info.Pages = 1;
        info.Flags |= siPages;
        break;
      case sdtNtEmf:
        if (IsWordDocument(copy)) SaveSpoolFile(run, info, spl);
        break;
      default:
        break;
    }
    const TSplFindings findings = spl ? SplFindings(*spl) : TSplFindings{};
    merge = MergeAnalysis(merge.Job, spl ? &findings : nullptr, info);
    copy.Copies = static_cast<int32_t>(merge.Job.Copies);
    copy.TotalPages = merge.Job.TotalPages;
    copy.DataType = merge.Job.DataType;
    spl.reset();  // closes the temporary spool file, which deletes it
  } catch (...) {
    LogError(0, errno, "uQueue.ParseJob.Parsing");
  }

  try {
    WithLiveJob(run.printer, run.jobId, [&](TQueueJob& job) {
      try {
        if (merge.HasTitle && job.Document.View().find(merge.Title) == std::u16string_view::npos) {
          job.Document.Assign(std::u16string(job.Document.View()) + u" (" + merge.Title + u")");
          job.Flags |= jfTitleAdded;
        }
        job.Copies = copy.Copies;
        job.TotalPages = copy.TotalPages;
        if (merge.HasDuplex)
          job.Attributes = merge.Duplex ? (job.Attributes | jaDuplex) & ~jaSimplex
                                        : (job.Attributes | jaSimplex) & ~jaDuplex;
        if (merge.HasColour)
          job.Attributes = merge.Colour ? (job.Attributes | jaColour) & ~jaMonochrome
                                        : (job.Attributes | jaMonochrome) & ~jaColour;
        if (merge.HasPaperSize) {
          job.PaperSize = 0;
          job.PaperWidth = merge.PaperWidth;
          job.PaperLength = merge.PaperLength;
          job.Flags |= jfPaperFixed;
        }
        job.DataType = copy.DataType;
      } catch (...) {
        job.Flags = (job.Flags & ~jfParseRequested) | jfAnalysed;
        throw;
      }
      job.Flags = (job.Flags & ~jfParseRequested) | jfAnalysed;
    });
    WakePrinterWatcher(run.printer);
  } catch (...) {
    LogError(0, errno, "uQueue.ParseJob");
  }
}

}  // namespace

void HandleRequest(std::unique_ptr<TParseRequest> request) {
  if (!request) return;
  // The pool's threads already run at the lowest priority.
  TRequestRun run{*request, std::u16string(request->PrinterName), request->Job.JobId};
  const TNameLock lock(PrinterLockName(run.printer));
  try {
    MarkJobParsing(run);
    if (IsSelectedPrinter(run.printer))
      ParseJob(run);
    else
      RestoreJob(run);
  } catch (...) {
    RestoreJob(run);
    LogError(0, errno, "uQueue.HandleRequest");
  }
}

}  // namespace ostrovel
