// Notification items from printer and job records: the whole state for a
// refresh read, or the difference between two readings of a queue. Both
// backends build their batches here, so they report alike. Pure functions;
// any thread.
#pragma once

#include <optional>
#include <vector>

#include "uSpoolTypes.h"

namespace ostrovel {

// A printer and its jobs as read at one moment (jobs in queue order).
struct TQueueState {
  TPrinterInfo Printer;
  std::vector<TJobInfo> Jobs;
};

// The jobs at positions first .. first+count-1 (0-based) of a queue, as
// read at level (1 or 2).
std::vector<TJobInfo> JobsAt(std::vector<TJobInfo> queue, uint32_t first, uint32_t count,
                             int level);

// The value of one field; nothing for a field the record does not hold.
std::optional<TNotifyValue> PrinterFieldValue(const TPrinterInfo& info, uint16_t field);
std::optional<TNotifyValue> JobFieldValue(const TJobInfo& job, uint16_t field);

// Items for every field of options, printer first, then each job.
TNotifyInfo FullState(const TQueueState& state, const TNotifyOptions& options);

// Adds to read what changed from before to after: new jobs with all their
// fields (chAddJob), changed fields (chSetJob, chSetPrinter), and a status
// item with jsDeleted for each job that left (chDeleteJob).
void DiffQueue(const TQueueState& before, const TQueueState& after, const TNotifyOptions& options,
               TChangeRead& read);

}  // namespace ostrovel
