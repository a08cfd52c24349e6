#include "uNotifyFields.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "uSpoolName.h"

namespace ostrovel {

std::optional<TNotifyValue> PrinterFieldValue(const TPrinterInfo& info, uint16_t field) {
  switch (field) {
    case pfPrinterName:  // without the server part, as the spooler reports it
      return ParseSpoolName(info.Name).Printer;
    case pfShareName:
      return info.ShareName;
    case pfPortName:
      return info.PortName;
    case pfDriverName:
      return info.DriverName;
    case pfComment:
      return info.Comment;
    case pfLocation:
      return info.Location;
    case pfAttributes:
      return info.Attributes;
    case pfStatus:
      return info.Status;
    case pfJobCount:
      return info.JobCount;
  }
  return std::nullopt;
}

std::optional<TNotifyValue> JobFieldValue(const TJobInfo& job, uint16_t field) {
  switch (field) {
    case jfMachineName:
      return job.MachineName;
    case jfUserName:
      return job.UserName;
    case jfNotifyName:
      return job.NotifyName;
    case jfDataType:
      return job.DataType;
    case jfPrintProcessor:
      return job.PrintProcessor;
    case jfDevMode:
      if (job.DevMode) return *job.DevMode;
      return std::nullopt;
    case jfStatus:
      return job.Status;
    case jfDocument:
      return job.Document;
    case jfPriority:
      return job.Priority;
    case jfPosition:
      return job.Position;
    case jfSubmitted:
      return job.Submitted;
    case jfStartTime:
      return job.StartTime;
    case jfUntilTime:
      return job.UntilTime;
    case jfTotalPages:
      return job.TotalPages;
    case jfPagesPrinted:
      return job.PagesPrinted;
    case jfTotalBytes:
      return job.Size;
    case jfBytesPrinted:
      return job.BytesPrinted;
  }
  return std::nullopt;
}

namespace {

bool SameValue(const std::optional<TNotifyValue>& a, const std::optional<TNotifyValue>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  if (a->index() != b->index()) return false;
  return std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        const T& y = std::get<T>(*b);
        if constexpr (std::is_same_v<T, TDevModeW>)
          return std::memcmp(&x, &y, sizeof(TDevModeW)) == 0;
        else
          return x == y;
      },
      *a);
}

void AddPrinter(const TPrinterInfo& now, const TPrinterInfo* old, const TNotifyOptions& options,
                std::vector<TNotifyItem>& items) {
  for (uint16_t f : options.PrinterFields) {
    auto v = PrinterFieldValue(now, f);
    if (!v || (old && SameValue(v, PrinterFieldValue(*old, f)))) continue;
    items.push_back({TNotifyType::Printer, f, 0, std::move(*v)});
  }
}

void AddJob(const TJobInfo& now, const TJobInfo* old, const TNotifyOptions& options,
            std::vector<TNotifyItem>& items) {
  for (uint16_t f : options.JobFields) {
    auto v = JobFieldValue(now, f);
    if (!v || (old && SameValue(v, JobFieldValue(*old, f)))) continue;
    items.push_back({TNotifyType::Job, f, now.JobId, std::move(*v)});
  }
}

const TJobInfo* FindJob(const std::vector<TJobInfo>& jobs, uint32_t id) {
  auto it =
      std::find_if(jobs.begin(), jobs.end(), [id](const TJobInfo& j) { return j.JobId == id; });
  return it == jobs.end() ? nullptr : &*it;
}

}  // namespace

std::vector<TJobInfo> JobsAt(std::vector<TJobInfo> queue, uint32_t first, uint32_t count,
                             int level) {
  std::vector<TJobInfo> jobs;
  for (size_t i = first; i < queue.size() && i - first < count; ++i)
    jobs.push_back(level == 1 ? JobInfoLevel1(std::move(queue[i])) : std::move(queue[i]));
  return jobs;
}

TNotifyInfo FullState(const TQueueState& state, const TNotifyOptions& options) {
  TNotifyInfo info;
  AddPrinter(state.Printer, nullptr, options, info.Items);
  for (const TJobInfo& job : state.Jobs) AddJob(job, nullptr, options, info.Items);
  return info;
}

void DiffQueue(const TQueueState& before, const TQueueState& after, const TNotifyOptions& options,
               TChangeRead& read) {
  std::vector<TNotifyItem> items;
  AddPrinter(after.Printer, &before.Printer, options, items);
  if (!items.empty()) read.Change |= chSetPrinter;

  for (const TJobInfo& job : after.Jobs) {
    const TJobInfo* old = FindJob(before.Jobs, job.JobId);
    const size_t n = items.size();
    AddJob(job, old, options, items);
    if (!old)
      read.Change |= chAddJob;
    else if (items.size() > n)
      read.Change |= chSetJob;
  }
  for (const TJobInfo& job : before.Jobs) {
    if (FindJob(after.Jobs, job.JobId)) continue;
    read.Change |= chDeleteJob;
    if (std::find(options.JobFields.begin(), options.JobFields.end(), jfStatus) !=
        options.JobFields.end())
      items.push_back({TNotifyType::Job, jfStatus, job.JobId, job.Status | jsDeleted});
  }
  if (items.empty()) return;
  if (!read.Info) read.Info.emplace();
  for (auto& item : items) read.Info->Items.push_back(std::move(item));
}

}  // namespace ostrovel
