// The texts of a job row, column by column, as the job list shows them.
//
// Threads: any thread (the shared texts and forms are read-only snapshots).
#pragma once

#include <cstdint>
#include <string>

#include "uPaperName.h"
#include "uQueueJob.h"

namespace ostrovel {

enum TJobColumn : int {
  jcUser = 0,
  jcComputer,
  jcDocument,
  jcStatus,
  jcPages,
  jcCopies,
  jcSize,
  jcSubmitted,
  jcPaperSize,
  jcQuality,
  jcPriority,
  jcColor,
  jcDuplex,
  jcDataType,
  jcPosition,
  jcJobId,
  jcPortName,
  jcColumnCount,
};

// The cell text of one column; forms name the paper sizes.
std::u16string JobCellText(const TQueueJob& job, int column, const TFormLookup& forms);

// "printed/total" pages, estimated from the bytes printed when the spooler
// counts no pages; rounded half to even.
std::u16string PagesCellText(const TQueueJob& job);

}  // namespace ostrovel
