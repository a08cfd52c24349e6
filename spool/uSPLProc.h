// The header scan: PJL, EJL and PostScript comments read as text lines.
//
// A line ends at LF or CR, or after 254 bytes. The keyword set applied to
// each line follows the language SniffPdlLanguage finds; its findings go
// into a TSPLInfo.
//
// Threads: a scan owns its buffer view and record; scans run in parallel.
#pragma once

#include <cstdint>

#include "uSPLType.h"

namespace ostrovel {

// Scans a buffer and fills info (cleared first). Returns false only when the
// scan failed part-way; info then keeps what was found so far.
bool ScanSpoolHeaders(const uint8_t* buffer, int64_t length, TSPLInfo& info);

// Maps the open file fd and scans it. Returns false for an invalid
// descriptor and for a file that cannot be mapped (an empty one). The file
// position is left at the end of the file.
bool ScanSpoolFile(int fd, TSPLInfo& info);

namespace detail {
// The same scan testing every line in turn; the fast scan above jumps from
// keyword to keyword and must give the same record.
bool ScanSpoolHeadersEveryLine(const uint8_t* buffer, int64_t length, TSPLInfo& info);
}  // namespace detail

}  // namespace ostrovel
