#include "uCupsQueries.h"

#include "uCupsRecords.h"
#include "uSpoolName.h"
#include "uText.h"

namespace ostrovel {

TCupsServer TCupsShared::ServerFor(std::u16string_view server) const {
  if (server.empty() || SameText(server, ComputerName) || SameText(server, u"localhost"))
    return Local;
  return TCupsServer::Parse(WideToUtf8(server), ippPort());
}

void TCupsShared::ApplyExtras(const TCupsServer& server, TJobInfo& job) {
  std::lock_guard lock(Lock);
  const auto it = Extras.find({server.Host, job.JobId});
  job.NotifyName = job.UserName;  // the submitter, unless told otherwise
  if (it == Extras.end()) return;
  if (it->second.HasNotifyName) job.NotifyName = it->second.NotifyName;
  job.UntilTime = it->second.UntilTime;
}

TSpoolResult<TPrinterInfo> CupsReadPrinter(TCupsConnection& c, const std::string& printer,
                                           const std::u16string& fullName) {
  ipp_t* request = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printer);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                kCupsPrinterAttributeCount, nullptr, kCupsPrinterAttributes);
  uint32_t error;
  TIpp response = c.Do(request, &error);
  if (error) return TSpoolResult<TPrinterInfo>::Fail(error);
  const auto printers = IppObjects(response.get(), IPP_TAG_PRINTER);
  if (printers.empty()) return TSpoolResult<TPrinterInfo>::Fail(seInvalidPrinterName);
  TPrinterInfo info = CupsPrinterInfo(printers.front(), {});
  info.Name = fullName;
  const TSpoolName n = ParseSpoolName(fullName);
  if (!n.Server.empty()) info.ServerName = u"\\\\" + n.Server;
  return {seNone, std::move(info)};
}

TSpoolResult<std::vector<TPrinterInfo>> CupsReadPrinters(TCupsConnection& c,
                                                         const std::u16string& prefix) {
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                kCupsPrinterAttributeCount, nullptr, kCupsPrinterAttributes);
  uint32_t error;
  TIpp response = c.Do(request, &error);
  std::vector<TPrinterInfo> printers;
  if (error == seInvalidPrinterName) return {seNone, printers};  // no printers at all
  if (error) return TSpoolResult<std::vector<TPrinterInfo>>::Fail(error);
  for (const auto& o : IppObjects(response.get(), IPP_TAG_PRINTER))
    printers.push_back(CupsPrinterInfo(o, prefix));
  return {seNone, std::move(printers)};
}

TSpoolResult<std::vector<TJobInfo>> CupsReadJobs(TCupsShared& shared, TCupsConnection& c,
                                                 const std::string& printer,
                                                 const std::u16string& fullName) {
  ipp_t* request = NewRequest(IPP_OP_GET_JOBS, printer);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                kCupsJobAttributeCount, nullptr, kCupsJobAttributes);
  uint32_t error;
  TIpp response = c.Do(request, &error);
  if (error) return TSpoolResult<std::vector<TJobInfo>>::Fail(error);
  std::vector<TJobInfo> jobs = CupsQueue(response.get(), fullName);
  for (auto& j : jobs) shared.ApplyExtras(c.Server(), j);
  return {seNone, std::move(jobs)};
}

TSpoolResult<TQueueState> CupsReadQueue(TCupsShared& shared, TCupsConnection& c,
                                        const std::string& printer,
                                        const std::u16string& fullName) {
  auto info = CupsReadPrinter(c, printer, fullName);
  if (!info.Ok()) return TSpoolResult<TQueueState>::Fail(info.Error);
  auto jobs = CupsReadJobs(shared, c, printer, fullName);
  if (!jobs.Ok()) return TSpoolResult<TQueueState>::Fail(jobs.Error);
  // One count for both: the jobs just read.
  info.Value.JobCount = static_cast<uint32_t>(jobs.Value.size());
  return {seNone, TQueueState{std::move(info.Value), std::move(jobs.Value)}};
}

uint32_t CupsJobRequest(TCupsConnection& c, ipp_op_t op, const std::string& printer, uint32_t jobId,
                        const std::function<void(ipp_t*)>& add) {
  ipp_t* request = NewRequest(op, printer);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", static_cast<int>(jobId));
  if (add) add(request);
  uint32_t error;
  c.Do(request, &error);
  return error;
}

uint32_t CupsPrinterRequest(TCupsConnection& c, ipp_op_t op, const std::string& printer) {
  uint32_t error;
  c.Do(NewRequest(op, printer), &error, "/admin/");
  return error;
}

}  // namespace ostrovel
