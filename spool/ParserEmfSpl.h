// The EMF scan: walks the records of an EMF spool file (the spooler's own
// format: a version and header size, then type/size records) and builds the
// page table, the device mode in force for each page, and the copies of the
// device mode met between the first and the second page.
//
// Threads: runs on the parse thread of its job; the geometry function is
// called on that thread.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "uDevMode.h"
#include "uSPLPages.h"
#include "uSPLType.h"

namespace ostrovel {

constexpr uint32_t kEmfSpoolVersion = 0x00010000;

// Record types of an EMF spool file.
enum TEmfRecord : uint32_t {
  emriMetafile = 1,
  emriEngineFont = 2,
  emriDevMode = 3,
  emriType1Font = 4,
  emriPreStartPage = 5,
  emriDesignVector = 6,
  emriSubsetFont = 7,
  emriDeltaFont = 8,
  emriFormMetafile = 9,
  emriBwMetafile = 10,
  emriBwFormMetafile = 11,
  emriMetafileData = 12,
  emriMetafileExt = 13,
  emriBwMetafileExt = 14,
  emriEngineFontExt = 15,
  emriType1FontExt = 16,
  emriDesignVectorExt = 17,
  emriSubsetFontExt = 18,
  emriDeltaFontExt = 19,
  emriPsJobData = 20,
};

// What the scan does with a record type.
enum class TEmfAction { NextHeader, Stop, Font, DevMode, Page, Skip };
TEmfAction EmfAction(uint32_t type);

// The printer's geometry for a device mode (null: the printer's defaults);
// mode 0 device units, 1 millimetres. False leaves out unchanged.
using TGeometryQuery = std::function<bool(const TDevModeW* devMode, int mode, TPageGeometry& out)>;

struct TEmfScanInput {
  int64_t JobId = 0;
  int64_t SpoolBase = 0;  // capture-file offset of the spool data
  int64_t SpoolSize = 0;
  // The job's device mode (may be empty) and its place in the capture file.
  std::vector<uint8_t> DevMode;
  int64_t DevModeOffset = 0;
  int64_t DevModeSize = 0;
  TGeometryQuery Geometry;
};

// Scans the open spool file fd. Returns false, with nothing changed, when
// the file is not an EMF spool file. Otherwise fills pages and sets
// info.Language to EMF and, from a device mode between page 1 and 2,
// info.Copies with siCopies; input's device mode then ends as the one in
// force after the last record.
bool ScanEmfSpool(int fd, TEmfScanInput& input, TArraySplStream& pages, TSPLInfo& info);

// A device mode's public part from its bytes (missing bytes read as 0).
TDevModeW DevModeFromBytes(const std::vector<uint8_t>& bytes);

}  // namespace ostrovel
