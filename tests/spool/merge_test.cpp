// Merging a raw job's analysis, and the paper name shown for a job.
#include <gtest/gtest.h>

#include "uPaperName.h"
#include "uSPLMerge.h"
#include "uText.h"

namespace ostrovel {
namespace {

TSPLInfo Info(uint32_t flags, int32_t copies = 0, int32_t pages = 0) {
  TSPLInfo i;
  i.Flags = flags;
  i.Copies = copies;
  i.Pages = pages;
  return i;
}

TEST(MergeAnalysis, ParserCountsReplaceTheSpoolersWhenFound) {
  const struct {
    const char* name;
    TSplFindings spl;
    TJobCounts job, expected;
  } cases[] = {
      {"copies_and_pages", {sdtPcl, true, 2, 5}, {sdtRaw, 7, 9}, {sdtPcl, 2, 5}},
      {"pages_only_keeps_copies", {sdtPcl, false, 0, 5}, {sdtRaw, 7, 9}, {sdtPcl, 7, 5}},
      {"copies_zero_becomes_one", {sdtZjs, true, 0, 3}, {sdtRaw, 0, 0}, {sdtZjs, 1, 3}},
      {"nothing_found_keeps_spooler", {sdtPclXl, false, 0, 0}, {sdtRaw, 0, 0}, {sdtPclXl, 0, 0}},
      {"large_copies_stay_positive", {sdtPcl, true, 40000, 1}, {sdtRaw, 1, 1}, {sdtPcl, 40000, 1}},
  };
  for (const auto& c : cases) {
    const TAnalysisMerge m = MergeAnalysis(c.job, &c.spl, Info(siCopies | siPages, 99, 99));
    EXPECT_EQ(m.Job.DataType, c.expected.DataType) << c.name;
    EXPECT_EQ(m.Job.Copies, c.expected.Copies) << c.name;
    EXPECT_EQ(m.Job.TotalPages, c.expected.TotalPages) << c.name;
  }
}

TEST(MergeAnalysis, HeaderScanOnlyRaisesCounts) {
  const TSplFindings unrecognised{};
  const struct {
    const char* name;
    TSPLInfo info;
    TJobCounts job;
    uint32_t copies, pages;
  } cases[] = {
      {"pair_with_larger_product", Info(siCopies | siPages, 2, 3), {sdtRaw, 1, 5}, 2, 3},
      {"pair_with_smaller_product", Info(siCopies | siPages, 1, 3), {sdtRaw, 2, 2}, 2, 2},
      {"copies_raise", Info(siCopies, 4), {sdtRaw, 2, 3}, 4, 3},
      {"copies_never_lower", Info(siCopies, 1), {sdtRaw, 2, 3}, 2, 3},
      {"pages_raise", Info(siPages, 0, 8), {sdtRaw, 1, 3}, 1, 8},
      {"nothing_found_at_least_one", Info(0), {sdtRaw, 0, 0}, 1, 1},
      {"unset_bits_ignore_values", Info(0, 5, 5), {sdtRaw, 1, 1}, 1, 1},
  };
  for (const auto& c : cases) {
    for (const TSplFindings* spl : {static_cast<const TSplFindings*>(nullptr), &unrecognised}) {
      const TAnalysisMerge m = MergeAnalysis(c.job, spl, c.info);
      EXPECT_EQ(m.Job.Copies, c.copies) << c.name;
      EXPECT_EQ(m.Job.TotalPages, c.pages) << c.name;
      EXPECT_EQ(m.Job.DataType, sdtRaw) << c.name;
    }
  }
}

TEST(MergeAnalysis, TitleCleanUp) {
  const struct {
    std::u16string title;
    bool kept;
    std::u16string expected;
  } cases[] = {
      {u"(Report)", true, u"Report"}, {u"Plain", true, u"Plain"},   {u"(a) b)", true, u"a) b"},
      {u"<untitled>", false, u""},    {u"", false, u""},            {u"<open", true, u"<open"},
  };
  for (const auto& c : cases) {
    TSPLInfo info = Info(siTitle);
    info.Title = c.title;
    const TAnalysisMerge m = MergeAnalysis({}, nullptr, info);
    EXPECT_EQ(m.HasTitle, c.kept) << WideToUtf8(c.title);
    EXPECT_EQ(m.Title, c.expected) << WideToUtf8(c.title);
  }
  EXPECT_FALSE(MergeAnalysis({}, nullptr, Info(0)).HasTitle);
}

TEST(MergeAnalysis, DuplexColourAndPaperFromTheHeaderScan) {
  TSPLInfo info = Info(siDuplex | siPaperSizeMm);
  info.Duplex = 0;
  info.PaperWidthMm = 210;
  info.PaperLengthMm = 297;
  const TSplFindings spl{sdtPcl, true, 2, 1};
  const TAnalysisMerge m = MergeAnalysis({}, &spl, info);
  EXPECT_TRUE(m.HasDuplex);
  EXPECT_FALSE(m.Duplex);
  EXPECT_FALSE(m.HasColour);
  EXPECT_TRUE(m.HasPaperSize);
  EXPECT_EQ(m.PaperWidth, 2100);
  EXPECT_EQ(m.PaperLength, 2970);
  // Without the millimetre bit a paper name alone changes nothing.
  EXPECT_FALSE(MergeAnalysis({}, &spl, Info(siPaperName)).HasPaperSize);
}

TEST(PaperSizeName, FormWhenItMatchesElseMillimetres) {
  int asked = 0;
  const TFormLookup forms = [&asked](int index) -> std::optional<TFormSize> {
    ++asked;
    if (index == 9) return TFormSize{u"A4", 210000, 297000};
    return std::nullopt;
  };
  EXPECT_EQ(PaperSizeName(0, 2100, 2970, forms), u"210 x 297 mm");
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(PaperSizeName(9, 2100, 2970, forms), u"A4");
  EXPECT_EQ(PaperSizeName(9, 0, 0, forms), u"A4");
  EXPECT_EQ(PaperSizeName(9, 2000, 2970, forms), u"200 x 297 mm");
  EXPECT_EQ(PaperSizeName(10, 2159, 2794, forms), u"215 x 279 mm");
  EXPECT_EQ(PaperSizeName(2049, 0, 0, forms), u"");
  EXPECT_EQ(PaperSizeName(9, 2100, 2970, nullptr), u"210 x 297 mm");
}

TEST(SplNames, DataTypeAndLanguageNames) {
  EXPECT_EQ(DataTypeName(0), "RAW");
  EXPECT_EQ(DataTypeName(2), "NT EMF");
  EXPECT_EQ(DataTypeName(12), "PostScript");
  EXPECT_EQ(DataTypeName(18), "ESC/P2");
  EXPECT_EQ(DataTypeName(19), "");
  EXPECT_EQ(LanguageName(slPostScript), "PS");
  EXPECT_EQ(LanguageName(slEsc), "ESC");
  EXPECT_EQ(LanguageName(200), "Unknown");
}

TEST(SplInfo, ClearKeepsReservedAndMillimetres) {
  TSPLInfo i = Info(siTitle | siPaperSizeMm, 3, 4);
  i.Title = u"t";
  i.Reserved1 = 1;
  i.PaperWidthMm = 210;
  i.PaperLengthMm = 297;
  ClearSplInfo(i);
  EXPECT_EQ(i.Flags, 0u);
  EXPECT_EQ(i.Copies, 0);
  EXPECT_TRUE(i.Title.empty());
  EXPECT_EQ(i.Reserved1, 1);
  EXPECT_EQ(i.PaperWidthMm, 210);
  EXPECT_EQ(i.PaperLengthMm, 297);
}

TEST(Text, Conversions) {
  EXPECT_EQ(AnsiToWide("\x80\xE9\x81"), u"\u20AC\u00E9\u0081");
  EXPECT_EQ(WideToAnsi(u"\u20AC\u00E9\u0081\u4E2D"), "\x80\xE9\x81?");
  EXPECT_EQ(Utf8ToWide("\xE4\xB8\xAD\xF0\x9F\x98\x80"), u"\u4E2D\U0001F600");
  EXPECT_EQ(Utf8ToWide("a\xC3"), u"a\uFFFD");
  EXPECT_EQ(WideToUtf8(u"\u4E2D\U0001F600"), "\xE4\xB8\xAD\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace ostrovel
