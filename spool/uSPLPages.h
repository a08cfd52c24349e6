// The page table of a captured job: one record per page, with the places of
// the page's data, device mode and fonts in the job capture file and the
// page geometry of the printer.
//
// Offsets are capture-file offsets: an offset found in the spool data is
// stored as its position in the spool data plus the spool base (where the
// spool data starts in the capture file).
//
// Threads: a page table belongs to the parse thread that built or read it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ostrovel {

// Six geometry values of a printer, in device units or in millimetres.
struct TPageGeometry {
  int64_t PhysicalWidth = 0;
  int64_t PhysicalHeight = 0;
  int64_t OffsetX = 0;
  int64_t OffsetY = 0;
  int64_t PrintableWidth = 0;
  int64_t PrintableHeight = 0;
  bool operator==(const TPageGeometry&) const = default;
};

struct TSplPageRecord {
  int64_t JobId = 0;
  int64_t DataOffset = 0;
  int64_t DataSize = 0;
  int64_t SpoolBase = 0;       // first page only
  int64_t SpoolSize = 0;       // first page only
  int64_t RenderedOffset = 0;  // page rendering only; 0 here
  int64_t RenderedSize = 0;
  int64_t Reserved1 = 0;
  std::u16string Name;  // at most 255 characters: the language name (last page of a raw job)
  int64_t DevModeOffset = 0;
  int64_t DevModeSize = 0;
  // The device mode's bytes; filled only by the capture file reader, and
  // shared by consecutive pages with the same device mode offset.
  std::shared_ptr<const std::vector<uint8_t>> DevMode;
  uint32_t Reserved2 = 0;
  int64_t FontOffset = 0;
  int64_t FontSize = 0;
  int64_t Reserved3 = 0;
  TPageGeometry Device;  // device units
  TPageGeometry Mm;      // millimetres
  int16_t Language = 0;  // TSplLanguage (first page)
  uint8_t OrientationChanged = 0;
  std::u16string Text1, Text2;  // at most 81 characters each; empty here
  uint8_t RenderFlags[3] = {};
  int32_t ColourMeasures[4] = {};
  uint8_t ColourPage = 0;
  int64_t Reserved4 = 0;
};

using TArraySplStream = std::vector<TSplPageRecord>;

}  // namespace ostrovel
