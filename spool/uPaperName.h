// The paper name shown for a job: the spooler's form when the job's paper
// code names one of matching size, else the size in millimetres.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ostrovel {

struct TFormSize {
  std::u16string Name;
  int32_t Width = 0;   // thousandths of a millimetre
  int32_t Length = 0;  // thousandths of a millimetre
};

// The index-th form of the local print server, counting from 1; nothing when
// there is no such form or the server cannot be asked.
using TFormLookup = std::function<std::optional<TFormSize>(int index)>;

// code is a form index as in a device mode's paper size; width and length
// are in tenths of a millimetre (0 matches any size of the form).
std::u16string PaperSizeName(int code, int32_t width, int32_t length, const TFormLookup& forms);

}  // namespace ostrovel
