// TQueueJob: the fixed-size record of one print job, kept by its printer's
// watcher and copied byte for byte into parse requests and the job list view.
//
// Threads: the owning watcher writes the records; parse-request threads write
// the analysed fields under the watcher's record lock (see uPrnThread.h).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace ostrovel {

// Page attributes (TQueueJob::Attributes).
enum TJobAttribute : uint32_t {
  jaLandscape = 0x2,
  jaColour = 0x4,
  jaMonochrome = 0x8,
  jaDuplex = 0x10,
  jaSimplex = 0x20,
};

// Processing state (TQueueJob::Flags).
enum TJobFlag : uint32_t {
  jfSeen = 0x800,
  jfAwaitSpooled = 0x1000,
  jfParseRequested = 0x10000,
  jfAnalysed = 0x20000,
  jfUserFixed = 0x40000,
  jfMachineFixed = 0x80000,
  jfPaperFixed = 0x100000,
  jfTitleAdded = 0x200000,
  jfParsing = 0x400000,
};

// A date and time in eight 16-bit fields.
struct TJobTime {
  uint16_t Year, Month, DayOfWeek, Day, Hour, Minute, Second, Milliseconds;
};

// A zero-terminated UTF-16 text of at most N characters in a fixed array.
template <size_t N>
struct TFixedText {
  char16_t Chars[N + 1];

  std::u16string_view View() const {
    return std::u16string_view(Chars, std::char_traits<char16_t>::length(Chars));
  }
  bool Empty() const { return Chars[0] == 0; }
  // Stores text, cut to N characters.
  void Assign(std::u16string_view text) {
    const size_t n = std::min(text.size(), N);
    std::copy_n(text.data(), n, Chars);
    std::fill(Chars + n, Chars + N + 1, u'\0');
  }
};

struct TQueueJob {
  uint32_t Attributes;
  TFixedText<20> Machine;
  TFixedText<20> User;
  int32_t Copies;
  int32_t PaperSize;    // spooler paper code; 0 when analysis found the paper
  int32_t PaperWidth;   // tenths of a millimetre
  int32_t PaperLength;  // tenths of a millimetre
  uint32_t Priority;
  uint32_t TotalPages;
  uint32_t PagesPrinted;
  uint32_t Size;
  uint32_t Cost;
  TJobTime Submitted;  // local time
  int16_t Quality;     // dpi above 0; -1 draft, -2 low, -3 medium, -4 high
  TFixedText<160> Document;
  TFixedText<64> PortName;
  TFixedText<100> Project;
  uint32_t Flags;
  uint32_t JobId;
  uint32_t Status;
  uint32_t BytesPrinted;
  uint32_t StartTime;  // minutes after midnight UTC
  uint32_t UntilTime;
  uint8_t DataType;
  TFixedText<20> NotifyName;
  TFixedText<20> PrintProcessor;
  uint32_t Position;  // 1-based; 0 when unknown

  bool Has(uint32_t flag) const { return (Flags & flag) != 0; }
};

static_assert(std::is_trivially_copyable_v<TQueueJob> && std::is_standard_layout_v<TQueueJob>,
              "job records are copied byte for byte");

// A zero-filled record, as every record starts.
inline TQueueJob ZeroJob() {
  TQueueJob job;
  std::fill_n(reinterpret_cast<unsigned char*>(&job), sizeof job, 0);
  return job;
}

}  // namespace ostrovel
