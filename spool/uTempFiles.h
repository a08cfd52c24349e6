// Temporary files of the capture: names made of the printer name in
// hexadecimal, the job id and a millisecond tick, in the system's temporary
// folder ($TMPDIR, else /tmp).
//
// Threads: any; names differ by printer, job and tick, and a name already
// taken is never opened twice (creation is exclusive).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrovel {

// Milliseconds of the monotonic clock.
uint64_t TickCount();

// The temporary folder with a trailing "/".
std::string TempFolder();

// Folder + each character of printer as upper-case hexadecimal (at least two
// digits) + the job id in decimal.
std::string TempBaseName(std::u16string_view printer, uint32_t jobId);

// Creates base + tick + ".tmp" exclusively for reading and writing; another
// tick is tried (10 ms later) while the name is taken or creation fails, at
// most 50 times. With deleteOnClose the name is removed at once, so the file
// goes with its last handle. Returns the descriptor (-1 when every try
// failed) and the name in *name.
int CreateTempFile(const std::string& base, bool deleteOnClose, std::string* name);

}  // namespace ostrovel
