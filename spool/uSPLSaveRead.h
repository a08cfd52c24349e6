// The job capture file: a job's information, device mode, spool data, page
// table and analysed attributes in one tagged file (magic "PGhT").
//
// Each record is a header of two little-endian uint32, type and length,
// then its payload. Markers (types 4, 54, 56 and the page-section start 3)
// carry no payload whatever their length field says. The record types are
// the table TCaptureRecord below; page records and attribute records are
// written only when their condition holds (see kPageFields and
// kAttributeFields in the .cpp).
//
// Threads: a writer, and a handle with its block and table, belong to one
// parse thread. Files are private to the process that made them.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "uJobInfoBlock.h"
#include "uSPLPages.h"
#include "uSPLType.h"

namespace ostrovel {

enum TCaptureRecord : uint32_t {
  crJobInfo = 1,
  crDevMode = 2,
  crPages = 3,  // length: page count
  crPageStart = 4,
  crJobId = 5,
  crDataOffset = 6,
  crDataSize = 7,
  crReserved1 = 8,
  crName = 9,
  crDevModeOffset = 16,
  crDevModeSize = 17,
  crDevModePointer = 18,
  crFontOffset = 19,
  crFontSize = 20,
  crReserved2 = 21,
  crPhysicalWidth = 22,
  crPhysicalHeight = 23,
  crOffsetX = 24,
  crOffsetY = 25,
  crPrintableWidth = 32,
  crPrintableHeight = 33,
  crPhysicalWidthMm = 34,
  crPhysicalHeightMm = 35,
  crOffsetXMm = 36,
  crOffsetYMm = 37,
  crPrintableWidthMm = 38,
  crPrintableHeightMm = 39,
  crLanguage = 40,
  crOrientationChanged = 41,
  crText1 = 48,
  crText2 = 49,
  crRenderFlag1 = 50,
  crRenderFlag2 = 51,
  crRenderFlag3 = 52,
  crReserved4 = 53,
  crPageEnd = 54,
  crSpoolData = 55,  // top level: the spool data; in a page: the spool size
  crSpoolEnd = 56,   // top level: marker; in a page: the colour page byte
  crEnd = 57,        // top level: end of file; in a page: colour measure 1
  crColourMeasure2 = 64,
  crColourMeasure3 = 65,
  crColourMeasure4 = 66,
  crSpoolBase = 67,
  crRenderedOffset = 68,
  crRenderedSize = 69,
  crRenderedFile = 70,
  crFlags = 0x10001,
  crTitle = 0x10002,
  crUserName = 0x10003,
  crPageBox1 = 0x10005,
  crPageBox3 = 0x10006,
  crPageBox2 = 0x10007,
  crPageBox4 = 0x10008,
  crOrientation = 0x10009,
  crLanguageName = 0x10010,
  crInfoLanguage = 0x10011,
  crCopies = 0x10012,
  crResolution = 0x10013,
  crInfoPages = 0x10014,
  crPaperName = 0x10015,
  crDuplex = 0x10016,
  crColourMeasure1Info = 0x10017,
  crColourMeasure2Info = 0x10018,
  crColourMeasure3Info = 0x10019,
  crColourMeasure4Info = 0x10020,
  crColour = 0x10021,
  crInfoReserved1 = 0x10022,
  crPaperWidthMm = 0x10023,
  crInfoReserved2 = 0x10024,
  crPaperLengthMm = 0x10025,
};

constexpr char kCaptureMagic[4] = {'P', 'G', 'h', 'T'};
constexpr size_t kCaptureTextBytes = 510;  // 255 wide characters

// Writes records at the end of an open file. Two running sums, bytes
// announced by headers and bytes written, show a short write; StartSums
// begins a new pair.
class TCaptureWriter {
 public:
  explicit TCaptureWriter(int fd) : fd_(fd) {}

  bool Magic();
  // A header; with payload the length counts as announced payload too.
  void Header(uint32_t type, uint32_t length, bool payload);
  // Payload bytes (counted as written).
  void Payload(const void* bytes, size_t size);
  template <class T>
  void Record(uint32_t type, const T& value) {
    Header(type, sizeof value, true);
    Payload(&value, sizeof value);
  }
  void TextRecord(uint32_t type, std::u16string_view text, size_t maxChars = 255);

  void JobInfo(const TJobInfoBlock& block);  // block with offsets
  void Page(const TSplPageRecord& page);
  void Attributes(const TSPLInfo& info);

  void StartSums() { announced_ = written_ = 0; }
  bool SumsMatch() const { return announced_ == written_; }
  // Counts bytes written outside the records (a read-back) as written.
  void CountWritten(uint64_t bytes) { written_ += bytes; }
  void CountAnnounced(uint64_t bytes) { announced_ += bytes; }
  int64_t Position() const;

 private:
  int fd_;
  uint64_t announced_ = 0;
  uint64_t written_ = 0;
};

// Every write of the capture code goes through this function: write(2)
// until it is whole or fails. Tests replace it to make writes short.
using TCaptureWriteFn = ssize_t (*)(int fd, const void* bytes, size_t size);
void SetCaptureWriteFn(TCaptureWriteFn fn);  // null restores the default
ssize_t CaptureWrite(int fd, const void* bytes, size_t size);

// Opens a capture file (deleted when the handle is closed), reads its
// records into info (cleared first), jobInfo (slots as addresses) and
// pages. Returns the handle, or -1 when the file is missing or cannot be
// opened; a file without the magic gives a handle and nothing read.
int ReadCaptureFile(const std::string& name, TSPLInfo& info, TJobInfoBlock& jobInfo,
                    TArraySplStream& pages);

// Closes the handle (deleting the file) and releases the block and the
// page table.
void CloseCaptureFile(int handle, TJobInfoBlock& jobInfo, TArraySplStream& pages);

}  // namespace ostrovel
