// The program's thin layer over the spooler, the printer user interface and
// the name services: printer lists and names, opening with fallback, the
// default printer, deleting, working offline, the printer user-interface
// commands, status, size and quality texts, time conversions, user and
// computer names. No operation keeps a spooler handle beyond its call.
//
// Threads: the spooler calls, the name operations and the texts may run on
// any thread (the computer-name cache and the status names guard
// themselves); RunCommand with wait blocks its caller. Everything returned
// is owned by the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "uPaperName.h"
#include "uSpooler.h"

namespace ostrovel {

// --- Start-up and the spooler in use --------------------------------------

// The start-up step: this computer's name, the time-zone state, the
// built-in status names and an empty computer-name cache.
void InitProcs();

// The spooler every operation below uses; main picks it at start.
void SetSpooler(std::shared_ptr<TSpooler> spooler);
std::shared_ptr<TSpooler> CurrentSpooler();

// This computer's name, upper-cased, at most 15 characters.
const std::u16string& LocalComputerName();
// The same rule applied to a host name: up to its first ".", upper-cased,
// cut to 15 characters as NetBIOS allows.
std::u16string LocalComputerNameFrom(std::string_view hostName);

// --- Printers and their names ---------------------------------------------

// The printers of another computer, full names in the spooler's order.
bool GetPrinters(std::u16string_view computer, std::vector<std::u16string>& list);
// The local printers for enumeration flags (callers pass 6); with exactly
// peLocal, names of other computers' printers are left out.
bool GetPrinters(std::vector<std::u16string>& list, uint32_t flags);

std::u16string GetDefaultPrinterName();  // empty on failure
bool SetDefaultPrinter(std::u16string_view printer);
std::optional<TPrinterInfo> GetPrinterInfo(std::u16string_view printer);

// Full access, else default access, else use access (each step only after
// access was denied).
TSpoolResult<std::unique_ptr<TPrinterHandle>> OpenPrinterFallback(std::u16string_view printer);
bool PrinterHandleAlive(TPrinterHandle& handle);

std::u16string ShortPrinterName(std::u16string_view printer);  // \\srv\p → p
std::u16string ServerPrefix(std::u16string_view printer);      // \\srv\p → \\srv\ .

// Whether computer holds printer as a connection to another computer's
// printer.
bool IsPrinterConnected(std::u16string_view computer, std::u16string_view printer);

// Deletes the printer. A failed deletion fills errorText with the
// spooler's reason for the caller to show; a failed open leaves it empty.
bool DeletePrinterByName(std::u16string_view printer, std::u16string* errorText = nullptr);

// Sets or clears "work offline"; true only when it changed and was written.
bool SetPrinterOffline(std::u16string_view printer, bool offline);

// A short sentence for a spooler error code.
std::u16string SpoolErrorText(uint32_t error);

// The forms of the local print server for PaperSizeName, read once at the
// first look-up of the returned function (keep one per job-list refresh).
TFormLookup SpoolerFormLookup();

// --- Printer user interface -----------------------------------------------

enum class TPrinterUi {
  OpenQueue,
  Pause,
  Resume,
  Purge,
  AddPrinter,
  Connect,
  Properties,
  ServerProperties,
};

// The command line of an operation: name is the printer, or the computer
// without backslashes for AddPrinter and ServerProperties.
std::u16string PrinterUiCommandLine(TPrinterUi operation, std::u16string_view name);

// Starts a command line (show: 0 hidden, 1 normal) and, with wait, waits
// for it to end. Printer user-interface lines do what they stand for here:
// pause, resume and purge through the spooler; the spooler's page of the
// printer for queue, properties and connect; the printer set-up tool (or
// the spooler's administration page) for adding and server properties.
bool RunCommand(const std::u16string& commandLine, int show, bool wait);

// Replaces what RunCommand does (tests; null restores it).
using TCommandRunner = std::function<bool(const std::u16string& commandLine, int show, bool wait)>;
void SetCommandRunner(TCommandRunner runner);

bool OpenQueueWindow(std::u16string_view printer);
bool PausePrinting(std::u16string_view printer);
bool ResumePrinting(std::u16string_view printer);
bool PurgePrinter(std::u16string_view printer);
bool AddPrinterWizard(std::u16string_view computer);
bool ConnectPrinterDialog(std::u16string_view printer);
bool PrinterPropertiesDialog(std::u16string_view printer);
bool ServerPropertiesDialog(std::u16string_view computer);

// --- Texts -------------------------------------------------------------------

// The status names through the language texts (their defaults when no
// language is loaded). Call after every language change.
void ReloadStatusNames();
// Back to the names the program starts with.
void ResetStatusNames();

std::u16string JobStatusText(uint32_t status);
// status -1: "Opening", -2: "Connection error".
std::u16string PrinterStatusText(int64_t status, bool worksOffline);
std::u16string SizeText(uint64_t bytes);
std::u16string QualityText(int value, std::u16string_view high, std::u16string_view medium,
                           std::u16string_view low, std::u16string_view draft);

// --- Times -------------------------------------------------------------------

// Days since 30 December 1899, the time of day as the fraction.
using TDateTimeValue = double;
// File time: 100-nanosecond intervals since 1 January 1601 (UTC).
using TFileTime = uint64_t;

TDateTimeValue SystemTimeValue(const TSystemTime& time);  // 0 when invalid
TDateTimeValue FileTimeToLocalValue(TFileTime time);      // 0 on failure
TSystemTime UtcToLocalSystemTime(const TSystemTime& time);
TDateTimeValue UtcToLocalTimeOfDay(TDateTimeValue value);
TDateTimeValue LocalToUtcTimeOfDay(TDateTimeValue value, bool adjust);

// Whether daylight time was in effect when the program started (set by
// InitProcs; tests may set it).
bool DaylightAtStart();
void SetDaylightAtStart(bool daylight);

// --- Users and computers ---------------------------------------------------

struct TUserInfo {
  std::u16string Comment;
  std::u16string FullName;
  std::u16string DirectoryPath;
};
TUserInfo LookupUserInfo(std::u16string_view user);
// A canonical directory name up to and including its last "/".
std::u16string DirectoryPathOf(std::u16string_view canonicalName);

// The host's short name (up to the first "."), or name when it cannot be
// resolved.
std::u16string ResolveHostName(std::u16string_view name);

// The resolved short name of a job's machine (leading backslashes dropped,
// at most 20 characters), cached for the last 250 keys.
std::u16string LookupComputerName(std::u16string_view machine);
// Replaces the resolver behind LookupComputerName and empties the cache
// (tests; null restores ResolveHostName).
using THostResolver = std::u16string (*)(std::u16string_view name);
void SetHostResolver(THostResolver resolver);

// The user's application-data folder + "Ostrovel/", created when missing.
std::optional<std::string> AppDataFolder();

// --- Small operations --------------------------------------------------------

// True when fd polls readable within 5 ms.
bool WaitSignalled(int fd);

struct TPaperDimensions {
  int32_t Width = 0;  // tenths of a millimetre
  int32_t Length = 0;
};
TPaperDimensions PaperDimensions(const TDevModeW& devMode);

int CompareNumbers(int64_t a, int64_t b);
int CompareSystemTimes(const TSystemTime& a, const TSystemTime& b);

}  // namespace ostrovel
