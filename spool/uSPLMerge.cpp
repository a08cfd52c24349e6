#include "uSPLMerge.h"

#include "uSPL.h"

namespace ostrovel {

TSplFindings SplFindings(const TSpl& spl) {
  TSplFindings f;
  f.Type = spl.Type;
  f.HasCopies = (spl.DevMode.dmFields & dmfCopies) != 0;
  // Copies are combined in 16 bits; read them unsigned so large counts stay positive.
  f.Copies = static_cast<uint16_t>(spl.DevMode.dmCopies);
  f.Pages = spl.Pages;
  return f;
}

TAnalysisMerge MergeAnalysis(const TJobCounts& job, const TSplFindings* spl, const TSPLInfo& info) {
  TAnalysisMerge m;
  m.Job = job;
  TJobCounts& out = m.Job;

  // Titles in angle brackets are placeholders; DSC titles come in parentheses.
  if (info.Has(siTitle)) {
    std::u16string title = info.Title;
    if (!title.empty() && !(title.front() == u'<' && title.back() == u'>')) {
      if (title.back() == u')') title.pop_back();
      if (!title.empty() && title.front() == u'(') title.erase(0, 1);
      m.HasTitle = true;
      m.Title = std::move(title);
    }
  }

  if (spl && spl->Type != 0) {
    if (spl->HasCopies || spl->Pages > 0) {
      if (spl->HasCopies) out.Copies = spl->Copies;
      if (spl->Pages > 0) out.TotalPages = static_cast<uint32_t>(spl->Pages);
      if (out.Copies == 0) out.Copies = 1;
      if (out.TotalPages == 0) out.TotalPages = 1;
    }
    out.DataType = spl->Type;
  } else {
    const auto copies = static_cast<uint32_t>(info.Copies);
    const auto pages = static_cast<uint32_t>(info.Pages);
    if (info.Has(siCopies) && info.Has(siPages)) {
      if (out.Copies * out.TotalPages < copies * pages) {
        out.Copies = copies;
        out.TotalPages = pages;
      }
    } else {
      if (info.Has(siCopies) && out.Copies < copies) out.Copies = copies;
      if (info.Has(siPages) && out.TotalPages < pages) out.TotalPages = pages;
    }
    if (out.Copies == 0) out.Copies = 1;
    if (out.TotalPages == 0) out.TotalPages = 1;
  }

  if (info.Has(siDuplex)) m.HasDuplex = true, m.Duplex = info.Duplex != 0;
  if (info.Has(siColour)) m.HasColour = true, m.Colour = info.Colour != 0;
  if (info.Has(siPaperSizeMm)) {
    m.HasPaperSize = true;
    m.PaperWidth = info.PaperWidthMm * 10;
    m.PaperLength = info.PaperLengthMm * 10;
  }
  return m;
}

}  // namespace ostrovel
