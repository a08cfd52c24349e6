// Merging a job's device mode into a printer's defaults, as a driver does
// when asked for document properties. Pure function; any thread.
#pragma once

#include "uDevMode.h"

namespace ostrovel {

// base with every field that in marks in its dmFields taken from in; the
// result marks the fields of both.
TDevModeW MergeDevMode(const TDevModeW& base, const TDevModeW& in);

}  // namespace ostrovel
