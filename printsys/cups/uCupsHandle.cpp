#include "uCupsHandle.h"

#include <algorithm>
#include <cstdio>

#include "uCupsNotify.h"
#include "uCupsRecords.h"
#include "uText.h"

namespace ostrovel {

namespace {

template <class T>
TSpoolResult<T> Fail(uint32_t e) {
  return TSpoolResult<T>::Fail(e);
}

// A time of day (minutes after midnight UTC) as job-hold-until takes it.
std::string HoldUntil(uint32_t minutes) {
  char text[8];
  std::snprintf(text, sizeof text, "%02u:%02u", (minutes / 60) % 24, minutes % 60);
  return text;
}

}  // namespace

TCupsHandle::TCupsHandle(std::shared_ptr<TCupsShared> shared, TCupsServer server,
                         std::string printer, std::u16string prefix, uint32_t jobId)
    : shared_(std::move(shared)),
      server_(server),
      connection_(std::move(server)),
      printer_(std::move(printer)),
      prefix_(std::move(prefix)),
      jobId_(jobId) {}

std::u16string TCupsHandle::FullName() const {
  return prefix_ + Utf8ToWide(printer_);
}

uint32_t TCupsHandle::Check() {
  if (printer_.empty())
    return QueryPrinterSize().Error == seInsufficientBuffer ? seNone : seServerUnavailable;
  if (jobId_ != 0) return GetJob(jobId_).Error;
  return GetPrinter().Error;
}

TSizeQuery TCupsHandle::QueryPrinterSize() {
  uint32_t error;
  if (printer_.empty()) {
    // A server answers when it answers anything; "no default" is an answer.
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
    TIpp response = connection_.Do(request, &error);
    if (!response) return {error, 0};
    return {seInsufficientBuffer, 512};
  }
  ipp_t* request = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printer_);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-state");
  connection_.Do(request, &error);
  if (error) return {error, 0};
  return {seInsufficientBuffer, 2048};
}

TSpoolResult<TPrinterInfo> TCupsHandle::GetPrinter() {
  if (printer_.empty()) return Fail<TPrinterInfo>(seInvalidHandle);
  return CupsReadPrinter(connection_, printer_, FullName());
}

uint32_t TCupsHandle::SetPrinter(const TPrinterInfo& info) {
  auto now = GetPrinter();
  if (!now.Ok()) return now.Error;
  uint32_t error = seNone;
  if ((info.Attributes ^ now.Value.Attributes) & patWorkOffline) {
    error = CupsPrinterRequest(
        connection_,
        (info.Attributes & patWorkOffline) ? IPP_OP_CUPS_REJECT_JOBS : IPP_OP_CUPS_ACCEPT_JOBS,
        printer_);
    if (error) return error;
  }
  if (info.Comment != now.Value.Comment || info.Location != now.Value.Location) {
    ipp_t* request = NewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER, printer_);
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr,
                 WideToUtf8(info.Comment).c_str());
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-location", nullptr,
                 WideToUtf8(info.Location).c_str());
    connection_.Do(request, &error, "/admin/");
  }
  return error;
}

uint32_t TCupsHandle::ControlPrinter(TPrinterCommand command) {
  if (printer_.empty()) return seInvalidHandle;
  switch (command) {
    case pcPause:
      return CupsPrinterRequest(connection_, IPP_OP_PAUSE_PRINTER, printer_);
    case pcResume:
      return CupsPrinterRequest(connection_, IPP_OP_RESUME_PRINTER, printer_);
    case pcPurge:
      return CupsPrinterRequest(connection_, IPP_OP_CANCEL_JOBS, printer_);
  }
  return seInvalidPrinterCommand;
}

uint32_t TCupsHandle::DeletePrinter() {
  if (printer_.empty()) return seInvalidHandle;
  return CupsPrinterRequest(connection_, IPP_OP_CUPS_DELETE_PRINTER, printer_);
}

TSpoolResult<std::vector<TJobInfo>> TCupsHandle::EnumJobs(uint32_t first, uint32_t count,
                                                          int level) {
  if (printer_.empty()) return Fail<std::vector<TJobInfo>>(seInvalidHandle);
  if (level != 1 && level != 2) return Fail<std::vector<TJobInfo>>(seInvalidParameter);
  auto all = CupsReadJobs(*shared_, connection_, printer_, FullName());
  if (!all.Ok()) return all;
  return {seNone, JobsAt(std::move(all.Value), first, count, level)};
}

TSpoolResult<TJobInfo> TCupsHandle::GetJob(uint32_t jobId) {
  if (printer_.empty()) return Fail<TJobInfo>(seInvalidHandle);
  auto queue = CupsReadJobs(*shared_, connection_, printer_, FullName());
  if (!queue.Ok()) return Fail<TJobInfo>(queue.Error);
  for (auto& j : queue.Value)
    if (j.JobId == jobId) return {seNone, std::move(j)};
  // A finished job has no place in the queue.
  ipp_t* request = NewRequest(IPP_OP_GET_JOB_ATTRIBUTES, printer_);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", static_cast<int>(jobId));
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                kCupsJobAttributeCount, nullptr, kCupsJobAttributes);
  uint32_t error;
  TIpp response = connection_.Do(request, &error);
  if (error) return Fail<TJobInfo>(error == seInvalidPrinterName ? seInvalidParameter : error);
  const auto jobs = IppObjects(response.get(), IPP_TAG_JOB);
  if (jobs.empty()) return Fail<TJobInfo>(seInvalidParameter);
  TJobInfo job = CupsJobInfo(jobs.front(), FullName());
  shared_->ApplyExtras(server_, job);
  return {seNone, std::move(job)};
}

uint32_t TCupsHandle::SetJob(uint32_t jobId, const TJobInfo* info, TJobCommand command) {
  if (printer_.empty()) return seInvalidHandle;
  if (info) {
    if (info->Priority < 1 || info->Priority > 99) return seInvalidParameter;
    auto now = GetJob(jobId);
    if (!now.Ok()) return now.Error;
    const TJobInfo& cur = now.Value;
    if (info->Priority != cur.Priority || info->Document != cur.Document) {
      const uint32_t error =
          CupsJobRequest(connection_, IPP_OP_SET_JOB_ATTRIBUTES, printer_, jobId, [&](ipp_t* r) {
            if (info->Priority != cur.Priority)
              ippAddInteger(r, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-priority",
                            static_cast<int>(info->Priority));
            if (info->Document != cur.Document)
              ippAddString(r, IPP_TAG_JOB, IPP_TAG_NAME, "job-name", nullptr,
                           WideToUtf8(info->Document).c_str());
          });
      if (error) return error;
    }
    {
      std::lock_guard lock(shared_->Lock);
      TCupsJobExtras& extras = shared_->Extras[{server_.Host, jobId}];
      extras.NotifyName = info->NotifyName;
      extras.HasNotifyName = true;
      extras.UntilTime = info->UntilTime;
    }
    // The printing period: the job waits for its start time (held until
    // then); no period releases a job that waited for one.
    const bool period = info->StartTime != info->UntilTime;
    if (period && info->StartTime != cur.StartTime) {
      const std::string until = HoldUntil(info->StartTime);
      const uint32_t error =
          CupsJobRequest(connection_, IPP_OP_HOLD_JOB, printer_, jobId, [&](ipp_t* r) {
            ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-hold-until", nullptr,
                         until.c_str());
          });
      if (error) return error;
    } else if (!period && cur.StartTime != 0) {
      const uint32_t error = CupsJobRequest(connection_, IPP_OP_RELEASE_JOB, printer_, jobId);
      if (error) return error;
    }
  }
  switch (command) {
    case jcNone:
      return seNone;
    case jcPause:
      return CupsJobRequest(connection_, IPP_OP_HOLD_JOB, printer_, jobId);
    case jcResume:
      return CupsJobRequest(connection_, IPP_OP_RELEASE_JOB, printer_, jobId);
    case jcRestart:
      return CupsJobRequest(connection_, IPP_OP_RESTART_JOB, printer_, jobId);
    case jcCancel:
    case jcDelete:
      return CupsJobRequest(connection_, IPP_OP_CANCEL_JOB, printer_, jobId);
  }
  return seInvalidParameter;
}

uint32_t TCupsHandle::StartDocument() {
  http_t* http = connection_.Http();
  if (!http) return seServerUnavailable;
  ipp_t* request = NewRequest(IPP_OP_CUPS_GET_DOCUMENT, printer_);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", static_cast<int>(jobId_));
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "document-number", document_);
  NoPasswordPrompts();
  const http_status_t sent = cupsSendRequest(http, request, "/", 0);
  ippDelete(request);
  if (sent != HTTP_STATUS_CONTINUE && sent != HTTP_STATUS_OK) return seServerUnavailable;
  TIpp response(cupsGetResponse(http, "/"));
  const uint32_t error = CupsError(response ? ippGetStatusCode(response.get()) : cupsLastError());
  if (error) {
    if (httpGetState(http) != HTTP_STATE_WAITING) httpFlush(http);
    return error;
  }
  reading_ = true;
  return seNone;
}

TSpoolResult<size_t> TCupsHandle::ReadPrinter(std::span<uint8_t> buffer) {
  if (jobId_ == 0) return Fail<size_t>(seInvalidHandle);
  if (documents_ < 0) {
    ipp_t* request = NewRequest(IPP_OP_GET_JOB_ATTRIBUTES, printer_);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", static_cast<int>(jobId_));
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "number-of-documents");
    uint32_t error;
    TIpp response = connection_.Do(request, &error);
    if (error) return Fail<size_t>(error);
    const auto jobs = IppObjects(response.get(), IPP_TAG_JOB);
    documents_ = jobs.empty() ? 0 : IppInteger(jobs.front(), "number-of-documents");
  }
  for (;;) {
    if (reading_) {
      http_t* http = connection_.Http();
      const ssize_t n = httpRead2(http, reinterpret_cast<char*>(buffer.data()), buffer.size());
      if (n > 0) return {seNone, static_cast<size_t>(n)};
      reading_ = false;
      if (httpGetState(http) != HTTP_STATE_WAITING) httpFlush(http);
      if (n < 0) return Fail<size_t>(seServerUnavailable);
    }
    if (document_ >= documents_ || buffer.empty()) return {seNone, 0};
    ++document_;
    if (const uint32_t error = StartDocument()) return Fail<size_t>(error);
  }
}

TSpoolResult<std::vector<TFormSize>> TCupsHandle::EnumForms() {
  return {seNone, CupsForms()};
}

TSpoolResult<std::unique_ptr<TChangeNotification>> TCupsHandle::WatchChanges(
    uint32_t, const TNotifyOptions& options) {
  return TCupsNotification::Create(shared_, server_, printer_, FullName(), prefix_, options);
}

}  // namespace ostrovel
