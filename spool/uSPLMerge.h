// How the findings of one analysis become a raw job's values: the parser's
// copies and pages when it recognised the stream, otherwise the header
// scan's (which can only raise them), and title, duplex, colour and paper
// from the header scan either way.
#pragma once

#include <cstdint>
#include <string>

#include "uSPLType.h"

namespace ostrovel {

class TSpl;

// What the stream parser found, copied out of a finished TSpl.
struct TSplFindings {
  uint8_t Type = 0;        // data type code, 0 when not recognised
  bool HasCopies = false;  // the device mode's copies bit
  uint16_t Copies = 0;
  int32_t Pages = 0;
};

TSplFindings SplFindings(const TSpl& spl);

// The job's values before and after the merge.
struct TJobCounts {
  uint8_t DataType = 0;
  uint32_t Copies = 0;
  uint32_t TotalPages = 0;
};

struct TAnalysisMerge {
  TJobCounts Job;
  bool HasTitle = false;  // title to add to the document name
  std::u16string Title;
  bool HasDuplex = false;
  bool Duplex = false;  // false: simplex
  bool HasColour = false;
  bool Colour = false;  // false: monochrome
  bool HasPaperSize = false;
  int32_t PaperWidth = 0;  // tenths of a millimetre
  int32_t PaperLength = 0;
};

// Merges a raw job's analysis. spl is null when the parser did not run.
TAnalysisMerge MergeAnalysis(const TJobCounts& job, const TSplFindings* spl, const TSPLInfo& info);

}  // namespace ostrovel
