// How spooler information updates a job record: the full-snapshot step, the
// notification step, the data type code and the user-name rule.
//
// Threads: the owning watcher, holding its record lock.
#pragma once

#include <cstdint>
#include <string_view>

#include "uQueueJob.h"
#include "uSpoolTypes.h"

namespace ostrovel {

// "TEXT" (any case) 1, text beginning "NT EMF" 2, anything else 0.
uint8_t DataTypeCode(std::u16string_view text);

// Stores a spooler user name; "anna (10.0.0.7)" gives user "anna" and
// machine "\\10.0.0.7" (then resolved), and fixes both.
void ParseUserName(TQueueJob& job, std::u16string_view text);

// Fills a record from one job of a full snapshot (level 2).
void UpdateJobFromInfo(TQueueJob& job, const TJobInfo& info);

// Applies one job item of a notification batch. Returns true when the
// status change finished the spooling of a job that arrived while watching:
// the job is then due for analysis.
bool ApplyJobItem(TQueueJob& job, const TNotifyItem& item);

}  // namespace ostrovel
