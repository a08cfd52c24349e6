#include <cmath>
#include <string>

#include "uProcs.h"
#include "uSPLCapture.h"
#include "uText.h"

namespace ostrovel {

namespace {

// Rounds to the nearest integer, ties to even; the 0.49 added makes the
// millimetre values almost a ceiling.
int64_t Scaled(int64_t units, int64_t sizeMm, int64_t res) {
  return static_cast<int64_t>(std::nearbyint(static_cast<double>(units) * sizeMm / res + 0.49));
}

}  // namespace

bool QueryDeviceGeometry(std::u16string_view printer, const TDevModeW* devMode, int mode,
                         TPageGeometry& out, const TCaptureDiagnostic& diagnostic) {
  const auto spooler = CurrentSpooler();
  if (!spooler) return false;
  auto report = [&](const std::string& text) {
    if (diagnostic) diagnostic(text);
  };
  TSpoolResult<TDeviceGeometry> geometry;
  try {
    geometry = spooler->DeviceGeometry(printer, devMode);
  } catch (...) {
    report("First CreateIC system halt");
    geometry.Error = seNotSupported;
  }
  if (!geometry.Ok()) {
    // Second chance: the printer's own device mode merged with the job's.
    try {
      auto handle = spooler->OpenPrinter(printer, paDefault);
      if (!handle.Ok()) {
        report("Error open printer " + WideToAnsi(printer));
        return false;
      }
      auto merged = spooler->DocumentProperties(printer, devMode);
      if (!merged.Ok()) return false;
      geometry = spooler->DeviceGeometry(printer, &merged.Value);
    } catch (...) {
      report("Second with DevMod CreateIC system halt");
      return false;
    }
    if (!geometry.Ok()) return false;
  }
  const TDeviceGeometry& g = geometry.Value;
  if (mode == 0) {
    out = {g.PhysicalWidth,   g.PhysicalHeight, g.PhysicalOffsetX,
           g.PhysicalOffsetY, g.HorzRes,        g.VertRes};
    return true;
  }
  // No resolution, no millimetres (and no division by zero).
  if (g.HorzRes <= 0 || g.VertRes <= 0) return false;
  out = {Scaled(g.PhysicalWidth, g.HorzSizeMm, g.HorzRes),
         Scaled(g.PhysicalHeight, g.VertSizeMm, g.VertRes),
         Scaled(g.PhysicalOffsetX, g.HorzSizeMm, g.HorzRes),
         Scaled(g.PhysicalOffsetY, g.VertSizeMm, g.VertRes),
         g.HorzSizeMm,
         g.VertSizeMm};
  return true;
}

}  // namespace ostrovel
