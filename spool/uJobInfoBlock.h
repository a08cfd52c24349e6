// The job information block of the job capture file (record 1): a job's
// level-2 information in one buffer, its texts and device mode behind a
// fixed head.
//
// Layout (little-endian, 152-byte head, then the data it points at):
//   0   uint32  JobId
//   4   uint32  reserved, 0
//   8   11 x uint64 slots: PrinterName, MachineName, UserName, Document,
//       NotifyName, DataType, PrintProcessor, Parameters, DriverName,
//       DevMode, StatusText
//   96  uint32  Status, Priority, Position, StartTime, UntilTime,
//               TotalPages, Size
//   124 8 x uint16 Submitted (year, month, day of week, day, hour, minute,
//               second, milliseconds; UTC)
//   140 uint32  PagesPrinted, BytesPrinted, reserved
// then the device mode (220 bytes plus dmDriverExtra) and the texts, each
// zero-terminated UTF-16, every item starting on an 8-byte boundary.
//
// In the file a slot holds the item's offset from the block's start (0: no
// item). In memory, after ReadCaptureFile, it holds the item's address.
//
// Threads: a block belongs to the thread that made or read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "uDevMode.h"

namespace ostrovel {

enum TJobInfoSlot : int {
  jisPrinterName = 0,
  jisMachineName,
  jisUserName,
  jisDocument,
  jisNotifyName,
  jisDataType,
  jisPrintProcessor,
  jisParameters,
  jisDriverName,
  jisDevMode,
  jisStatusText,
  kJobInfoSlots,
};

struct TJobInfoHead {
  uint32_t JobId;
  uint32_t Reserved1;
  uint64_t Slots[kJobInfoSlots];
  uint32_t Status;
  uint32_t Priority;
  uint32_t Position;
  uint32_t StartTime;
  uint32_t UntilTime;
  uint32_t TotalPages;
  uint32_t Size;
  uint16_t Submitted[8];
  uint32_t PagesPrinted;
  uint32_t BytesPrinted;
  uint32_t Reserved2;
};
static_assert(sizeof(TJobInfoHead) == 152 && offsetof(TJobInfoHead, Status) == 96 &&
              offsetof(TJobInfoHead, Submitted) == 124);

// A block in memory, 8-byte aligned.
class TJobInfoBlock {
 public:
  TJobInfoBlock() = default;
  explicit TJobInfoBlock(size_t size) : words_((size + 7) / 8), size_(size) {}
  // Move-only: the slots may hold addresses inside the buffer, which a
  // move keeps and a copy would not.
  TJobInfoBlock(const TJobInfoBlock&) = delete;
  TJobInfoBlock& operator=(const TJobInfoBlock&) = delete;
  TJobInfoBlock(TJobInfoBlock&&) = default;
  TJobInfoBlock& operator=(TJobInfoBlock&&) = default;

  uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(words_.data()); }
  const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(words_.data()); }
  size_t Size() const { return size_; }
  bool Empty() const { return size_ < sizeof(TJobInfoHead); }
  TJobInfoHead& Head() { return *reinterpret_cast<TJobInfoHead*>(words_.data()); }
  const TJobInfoHead& Head() const { return *reinterpret_cast<const TJobInfoHead*>(words_.data()); }

  // Offsets in the slots become addresses; an offset of 0, or one that
  // would point outside the block, becomes null.
  void OffsetsToPointers();
  // Addresses become offsets again (for writing).
  void PointersToOffsets();

  // A text slot after OffsetsToPointers (empty for null).
  std::u16string_view Text(int slot) const;
  // The device mode slot after OffsetsToPointers, or null.
  const TDevModeW* DevMode() const;

  void Clear() {
    words_.clear();
    size_ = 0;
  }

 private:
  std::vector<uint64_t> words_;
  size_t size_ = 0;
};

// Builds a block (offsets in the slots) from a job's fields. texts holds one
// text per text slot (the device-mode slot's entry is ignored; empty texts
// get no item); devMode is the device mode with its driver bytes, or empty.
struct TJobInfoFields {
  TJobInfoHead Head{};  // numbers; the slots are filled here
  std::u16string Texts[kJobInfoSlots];
  std::vector<uint8_t> DevMode;
};
TJobInfoBlock MakeJobInfoBlock(const TJobInfoFields& fields);

}  // namespace ostrovel
