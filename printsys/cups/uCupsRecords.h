// Printer, job and form records of the spooler interface read from IPP
// objects. Pure functions over a response; any thread.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "uCupsIpp.h"
#include "uPaperName.h"
#include "uSpoolTypes.h"

namespace ostrovel {

extern const char* const kCupsPrinterAttributes[];
extern const int kCupsPrinterAttributeCount;
extern const char* const kCupsJobAttributes[];
extern const int kCupsJobAttributeCount;

// prefix is "\\server\" for the printers of another computer, else empty.
TPrinterInfo CupsPrinterInfo(const TIppObject& o, const std::u16string& prefix);

// A job without its position; printerName is the full name.
TJobInfo CupsJobInfo(const TIppObject& o, const std::u16string& printerName);

// The active jobs of a response in the scheduler's order (priority, highest
// first, then id), with their positions.
std::vector<TJobInfo> CupsQueue(ipp_t* response, const std::u16string& printerName);

// The forms the backend offers, in paper-code order (code 1 first).
const std::vector<TFormSize>& CupsForms();

// A device mode from job or printer attributes; suffix is "" for a job's
// own attributes and "-default" for a printer's defaults.
TDevModeW CupsDevMode(const TIppObject& o, const char* suffix);

TSystemTime CupsTime(time_t t);

// "HH:MM" or "HH:MM:SS" (UTC) as minutes after midnight; -1 for keywords.
int CupsHoldMinutes(std::string_view holdUntil);

}  // namespace ostrovel
