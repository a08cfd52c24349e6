// The job list of a printer watcher and its record operations.
//
// Threads: the owning watcher alone adds, removes and frees records.
#pragma once

#include <cstdint>

#include "uQueueJob.h"
#include "uThreadedList.h"

namespace ostrovel {

using TJobList = TThreadedList<TQueueJob>;

// Appends a zero-filled record for jobId; null (logged) on failure.
TQueueJob* AddJob(TJobList& jobs, uint32_t jobId);
// The first record with jobId, or null; index receives its position.
TQueueJob* FindJob(TJobList& jobs, uint32_t jobId, int* index = nullptr);
// Frees every record and empties the list.
void FreeJobs(TJobList& jobs);

}  // namespace ostrovel
