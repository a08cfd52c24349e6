#include "uJobList.h"

#include <cerrno>
#include <string>
#include <vector>

#include "uLogs.h"

namespace ostrovel {

TQueueJob* AddJob(TJobList& jobs, uint32_t jobId) {
  try {
    auto* job = new TQueueJob(ZeroJob());
    job->JobId = jobId;
    jobs.Add(job);
    return job;
  } catch (...) {
    LogError(0, errno, "uQueue.AddJob " + std::to_string(jobId) + " " + std::to_string(jobs.Count()));
    return nullptr;
  }
}

TQueueJob* FindJob(TJobList& jobs, uint32_t jobId, int* index) {
  try {
    TReadLock hold(jobs.Lock());
    for (int i = 0; i < jobs.CountLocked(); ++i) {
      TQueueJob* job = jobs.GetLocked(i);
      if (job->JobId != jobId) continue;
      if (index) *index = i;
      return job;
    }
  } catch (...) {
    LogError(0, errno, "uQueue.FindJob " + std::to_string(jobId) + " " + std::to_string(jobs.Count()));
  }
  return nullptr;
}

void FreeJobs(TJobList& jobs) {
  try {
    std::vector<TQueueJob*> records;
    {
      TWriteLock hold(jobs.Lock());
      for (int i = 0; i < jobs.CountLocked(); ++i) records.push_back(jobs.GetLocked(i));
      jobs.ClearLocked();
    }
    for (TQueueJob* job : records) delete job;
  } catch (...) {
    LogError(0, errno, "uQueue.FreeJobs");
  }
}

}  // namespace ostrovel
