// The vocabulary of the spooler interface: error codes, access rights,
// status and attribute bits, notification field codes, and the printer and
// job records the spooler hands out. Plain values; any thread may copy them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "uDevMode.h"

namespace ostrovel {

// Spooler error codes (the operating system's numbers, so that log lines
// read the same on every platform).
enum TSpoolError : uint32_t {
  seNone = 0,
  seFileNotFound = 2,
  seAccessDenied = 5,
  seInvalidHandle = 6,
  seNotSupported = 50,
  seInvalidParameter = 87,
  seInsufficientBuffer = 122,
  seInvalidPrinterName = 1801,
  seServerUnavailable = 1722,
  seInvalidPrinterCommand = 1803,
  seInvalidPrinterState = 1906,
};

// Access rights asked for when opening a printer.
enum TPrinterAccess : uint32_t {
  paDefault = 0,  // no defaults given
  paUse = 0x8,
  paAdminister = 0x4,
  paAll = 0xF000C,
};

// Printer enumeration flags.
enum TPrinterEnum : uint32_t {
  peLocal = 0x2,
  peName = 0x8,
  peConnections = 0x4,
};

// Printer attribute bits.
enum TPrinterAttribute : uint32_t {
  patQueued = 0x1,
  patDefault = 0x4,
  patShared = 0x8,
  patNetwork = 0x10,
  patLocal = 0x40,
  patWorkOffline = 0x400,
};

// Printer status bits.
enum TPrinterStatus : uint32_t {
  psPaused = 0x1,
  psError = 0x2,
  psPendingDeletion = 0x4,
  psPaperJam = 0x8,
  psPaperOut = 0x10,
  psManualFeed = 0x20,
  psPaperProblem = 0x40,
  psOffline = 0x80,
  psIoActive = 0x100,
  psBusy = 0x200,
  psPrinting = 0x400,
  psOutputBinFull = 0x800,
  psNotAvailable = 0x1000,
  psWaiting = 0x2000,
  psProcessing = 0x4000,
  psInitializing = 0x8000,
  psWarmingUp = 0x10000,
  psTonerLow = 0x20000,
  psNoToner = 0x40000,
  psPagePunt = 0x80000,
  psUserIntervention = 0x100000,
  psOutOfMemory = 0x200000,
  psDoorOpen = 0x400000,
  psServerUnknown = 0x800000,
  psPowerSave = 0x1000000,
};

// Job status bits.
enum TJobStatus : uint32_t {
  jsPaused = 0x1,
  jsError = 0x2,
  jsDeleting = 0x4,
  jsSpooling = 0x8,
  jsPrinting = 0x10,
  jsOffline = 0x20,
  jsPaperOut = 0x40,
  jsPrinted = 0x80,
  jsDeleted = 0x100,
  jsBlockedDevice = 0x200,
  jsUserIntervention = 0x400,
  jsRestarting = 0x800,
  jsComplete = 0x1000,
};

// Job control commands of SetJob.
enum TJobCommand : uint32_t {
  jcNone = 0,
  jcPause = 1,
  jcResume = 2,
  jcCancel = 3,
  jcRestart = 4,
  jcDelete = 5,
};

// Printer control commands (pause, resume, purge).
enum TPrinterCommand : uint32_t {
  pcPause = 1,
  pcResume = 2,
  pcPurge = 3,
};

// Bits of the change word reported with a notification.
enum TPrinterChange : uint32_t {
  chAddPrinter = 0x1,
  chSetPrinter = 0x2,
  chDeletePrinter = 0x4,
  chAddJob = 0x100,
  chSetJob = 0x200,
  chDeleteJob = 0x400,
  chWriteJob = 0x800,
  chAll = 0x7777FFFF,
};

// Printer field codes of notification items.
enum TPrinterField : uint16_t {
  pfPrinterName = 1,
  pfShareName = 2,
  pfPortName = 3,
  pfDriverName = 4,
  pfComment = 5,
  pfLocation = 6,
  pfAttributes = 13,
  pfStatus = 18,
  pfJobCount = 20,
};

// Job field codes of notification items.
enum TJobField : uint16_t {
  jfMachineName = 1,
  jfPortName = 2,
  jfUserName = 3,
  jfNotifyName = 4,
  jfDataType = 5,
  jfPrintProcessor = 6,
  jfDevMode = 9,
  jfStatus = 10,
  jfDocument = 13,
  jfPriority = 14,
  jfPosition = 15,
  jfSubmitted = 16,
  jfStartTime = 17,
  jfUntilTime = 18,
  jfTotalPages = 20,
  jfPagesPrinted = 21,
  jfTotalBytes = 22,
  jfBytesPrinted = 23,
};

// A calendar time split into fields (UTC unless stated).
struct TSystemTime {
  uint16_t Year = 0;
  uint16_t Month = 0;
  uint16_t DayOfWeek = 0;
  uint16_t Day = 0;
  uint16_t Hour = 0;
  uint16_t Minute = 0;
  uint16_t Second = 0;
  uint16_t Milliseconds = 0;
  bool operator==(const TSystemTime&) const = default;
};

// Printer information. Level 1 fills Name and Comment only.
struct TPrinterInfo {
  std::u16string ServerName;
  std::u16string Name;  // full name: plain, or \\server\printer
  std::u16string ShareName;
  std::u16string PortName;
  std::u16string DriverName;
  std::u16string Comment;
  std::u16string Location;
  std::u16string PrintProcessor;
  uint32_t Attributes = 0;
  uint32_t Status = 0;
  uint32_t JobCount = 0;
  bool operator==(const TPrinterInfo&) const = default;
};

// Job information. Level 1 leaves NotifyName, PrintProcessor, DevMode,
// StartTime, UntilTime, Size and BytesPrinted empty.
struct TJobInfo {
  uint32_t JobId = 0;
  std::u16string PrinterName;
  std::u16string MachineName;
  std::u16string UserName;
  std::u16string Document;
  std::u16string NotifyName;
  std::u16string DataType;
  std::u16string PrintProcessor;
  std::optional<TDevModeW> DevMode;
  uint32_t Status = 0;
  uint32_t Priority = 1;   // 1..99
  uint32_t Position = 0;   // 1-based
  uint32_t StartTime = 0;  // minutes after midnight UTC
  uint32_t UntilTime = 0;
  uint32_t TotalPages = 0;
  uint32_t Size = 0;
  TSystemTime Submitted;
  uint32_t PagesPrinted = 0;
  uint32_t BytesPrinted = 0;
};

// The parts of the records that level 1 reads leave.
inline TPrinterInfo PrinterInfoLevel1(const TPrinterInfo& p) {
  TPrinterInfo r;
  r.Name = p.Name;
  r.Comment = p.Comment;
  return r;
}
inline TJobInfo JobInfoLevel1(TJobInfo j) {
  j.NotifyName.clear();
  j.PrintProcessor.clear();
  j.DevMode.reset();
  j.StartTime = j.UntilTime = j.Size = j.BytesPrinted = 0;
  return j;
}

// One notification item: a field of a printer or of a job and its value.
// A text of length 0 stands for an item without data.
enum class TNotifyType : uint8_t { Printer = 0, Job = 1 };
using TNotifyValue = std::variant<uint32_t, std::u16string, TDevModeW, TSystemTime>;

struct TNotifyItem {
  TNotifyType Type = TNotifyType::Printer;
  uint16_t Field = 0;
  uint32_t Id = 0;  // job id for job items
  TNotifyValue Value = uint32_t{0};
};

constexpr uint32_t kNotifyDiscarded = 0x1;  // TNotifyInfo::Flags
constexpr uint32_t kNotifyRefresh = 0x1;    // options flag of a refresh read

struct TNotifyInfo {
  uint32_t Flags = 0;
  std::vector<TNotifyItem> Items;
};

// What a registration watches. Flags is kNotifyRefresh for a refresh read.
struct TNotifyOptions {
  uint32_t Flags = 0;
  std::vector<uint16_t> PrinterFields;
  std::vector<uint16_t> JobFields;
};

// One read of a registration: the change word and, when there were any,
// the notification data.
struct TChangeRead {
  uint32_t Change = 0;
  std::optional<TNotifyInfo> Info;
};

// Device geometry of a printer in device units, and its printable area in
// millimetres.
struct TDeviceGeometry {
  int32_t PhysicalWidth = 0;
  int32_t PhysicalHeight = 0;
  int32_t PhysicalOffsetX = 0;
  int32_t PhysicalOffsetY = 0;
  int32_t HorzRes = 0;  // printable width in device units
  int32_t VertRes = 0;
  int32_t HorzSizeMm = 0;  // printable width in millimetres
  int32_t VertSizeMm = 0;
};

// The answer of a size query: seInsufficientBuffer with the bytes needed
// when there is something to read, seNone when there is nothing, or the
// error that stopped the query.
struct TSizeQuery {
  uint32_t Error = seNone;
  uint32_t Needed = 0;
};

// A spooler call's value, or the error code it failed with.
template <class T>
struct TSpoolResult {
  uint32_t Error = seNone;
  T Value{};

  bool Ok() const { return Error == seNone; }
  static TSpoolResult Fail(uint32_t error) { return TSpoolResult{error, T{}}; }
};

}  // namespace ostrovel
