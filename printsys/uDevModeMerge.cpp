#include "uDevModeMerge.h"

#include <cstring>

namespace ostrovel {

TDevModeW MergeDevMode(const TDevModeW& base, const TDevModeW& in) {
  TDevModeW r = base;
  const uint32_t f = in.dmFields;
  if (f & dmfOrientation) r.dmOrientation = in.dmOrientation;
  if (f & dmfPaperSize) {
    r.dmPaperSize = in.dmPaperSize;
    std::memcpy(r.dmFormName, in.dmFormName, sizeof r.dmFormName);
  }
  if (f & dmfPaperLength) r.dmPaperLength = in.dmPaperLength;
  if (f & dmfPaperWidth) r.dmPaperWidth = in.dmPaperWidth;
  if (f & dmfCopies) r.dmCopies = in.dmCopies;
  if (f & dmfPrintQuality) r.dmPrintQuality = in.dmPrintQuality;
  if (f & dmfColor) r.dmColor = in.dmColor;
  if (f & dmfDuplex) r.dmDuplex = in.dmDuplex;
  if (f & dmfYResolution) r.dmYResolution = in.dmYResolution;
  if (f & dmfCollate) r.dmCollate = in.dmCollate;
  if (f & dmfNup) r.dmNup = in.dmNup;
  r.dmFields = base.dmFields | f;
  r.dmSize = sizeof(TDevModeW);
  r.dmDriverExtra = 0;
  return r;
}

}  // namespace ostrovel
