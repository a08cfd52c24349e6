// The header scan on arbitrary bytes, checked against the line-by-line scan:
// the keyword jumps must find exactly what testing every line finds.
#include <cstdint>
#include <cstdlib>

#include "uSPLProc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrovel;
  TSPLInfo fast, slow;
  const bool a = ScanSpoolHeaders(data, static_cast<int64_t>(size), fast);
  const bool b = detail::ScanSpoolHeadersEveryLine(data, static_cast<int64_t>(size), slow);
  if (a != b || fast.Flags != slow.Flags || fast.Title != slow.Title ||
      fast.UserName != slow.UserName || fast.PaperName != slow.PaperName ||
      fast.LanguageName != slow.LanguageName || fast.JobOffsets != slow.JobOffsets ||
      fast.Copies != slow.Copies || fast.Pages != slow.Pages || fast.Duplex != slow.Duplex ||
      fast.Resolution != slow.Resolution || fast.Orientation != slow.Orientation ||
      fast.PageBox1 != slow.PageBox1 || fast.PageBox2 != slow.PageBox2 ||
      fast.PageBox3 != slow.PageBox3 || fast.PageBox4 != slow.PageBox4 ||
      fast.PaperWidthMm != slow.PaperWidthMm || fast.PaperLengthMm != slow.PaperLengthMm)
    std::abort();
  return 0;
}
