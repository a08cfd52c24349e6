// The vocabulary of spool analysis: data type codes, language codes and the
// attribute record that the header and EMF scans fill.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrovel {

// A job's data type as shown in the job list (one byte).
enum TSplDataType : uint8_t {
  sdtRaw = 0,
  sdtText = 1,
  sdtNtEmf = 2,
  sdtPclXl = 3,
  sdtPcl = 4,
  sdtPcl3Gui = 5,
  sdtRtl = 6,
  sdtHpgl2 = 7,
  sdtXl2Hb = 8,
  sdtZimf = 9,
  sdtZjs = 10,
  sdtLips4 = 11,
  sdtPostScript = 12,
  sdtXps = 13,
  sdtPrescribe = 14,
  sdtPdf = 15,
  sdtTiff = 16,
  sdtCapt = 17,
  sdtEscP2 = 18,
};

// The display name of a data type code; empty for codes without one.
std::string_view DataTypeName(uint8_t code);

// The page-description language found by the text scan.
enum TSplLanguage : uint8_t {
  slUnknown = 0,
  slEmf = 1,
  slPostScript = 2,
  slHpgl = 3,
  slPcl = 4,
  slZimf = 5,
  slText = 6,
  slEsc = 7,
};

// The name of a language code ("Unknown" for codes without one).
std::string_view LanguageName(uint8_t language);

// Validity and kind bits of TSPLInfo::Flags.
enum TSplInfoFlag : uint32_t {
  siTitle = 0x1,
  siUserName = 0x2,
  siPageBox = 0x4,
  siLanguageName = 0x8,
  siHeadersScanned = 0x10,
  siCopies = 0x20,
  siResolution = 0x40,
  siPages = 0x80,
  siPaperName = 0x100,
  siDuplex = 0x200,
  siOrientation = 0x800,
  siColourMeasure1 = 0x1000,
  siColourMeasure2 = 0x2000,
  siColourMeasure3 = 0x4000,
  siColourMeasure4 = 0x8000,
  siColour = 0x10000,
  siPaperSizeMm = 0x20000,
};

// Attributes found by analysis. A value is meaningful only while its bit is
// set in Flags; readers test the bits, never a zero value.
struct TSPLInfo {
  uint32_t Flags = 0;
  std::u16string Title;
  std::u16string UserName;
  int32_t PageBox1 = 0;     // left margin or first BoundingBox number
  int32_t PageBox2 = 0;     // top margin or second BoundingBox number
  int32_t PageBox3 = 0;     // right margin or third BoundingBox number
  int32_t PageBox4 = 0;     // bottom margin or fourth BoundingBox number
  uint8_t Orientation = 0;  // 1 portrait, 2 landscape
  std::u16string LanguageName;
  uint8_t Language = slUnknown;
  int32_t Copies = 0;
  int32_t Resolution = 0;  // dots per inch
  int32_t Pages = 0;
  std::u16string PaperName;
  uint8_t Duplex = 0;  // 1 duplex, 0 simplex
  int32_t ColourMeasure1 = 0;
  int32_t ColourMeasure2 = 0;
  int32_t ColourMeasure3 = 0;
  int32_t ColourMeasure4 = 0;
  uint8_t Colour = 0;
  std::u16string JobOffsets;  // decimal byte offsets of job starts, each followed by a blank
  int32_t Reserved1 = 0;
  int32_t Reserved2 = 0;
  int32_t PaperWidthMm = 0;
  int32_t PaperLengthMm = 0;

  bool Has(uint32_t flag) const { return (Flags & flag) != 0; }
};

// Empties a record: flags, numbers and texts; the two reserved numbers and the
// paper size in millimetres are left as they are.
void ClearSplInfo(TSPLInfo& info);

}  // namespace ostrovel
