// The header scan and the text sniffer.
#include <gtest/gtest.h>

#include <random>

#include "spool_test_util.h"
#include "uSPL.h"
#include "uSPLProc.h"
#include "uSPLText.h"
#include "uText.h"

namespace ostrovel {
namespace {

using namespace test;

TSPLInfo Scan(const std::string& text) {
  TSPLInfo info;
  EXPECT_TRUE(ScanSpoolHeaders(reinterpret_cast<const uint8_t*>(text.data()), text.size(), info));
  return info;
}

std::string U8(const std::u16string& s) { return WideToUtf8(s); }

TSplLanguage Sniff(const std::string& text) {
  return SniffPdlLanguage(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(SniffPdlLanguage, NamesLanguagesByTheirLines) {
  const struct {
    std::string text;
    TSplLanguage expected;
  } cases[] = {
      {"\x1b%-12345X@PJL ENTER LANGUAGE=HPGL2\n", slHpgl},
      {"@PJL ENTER LANGUAGE = PCLXL\r\n", slPcl},
      {"ZIMF header\n", slZimf},
      {"x ZIMF\n", slUnknown},
      {"%!PS-Adobe-3.0\n", slPostScript},
      {"junk %!PS\n", slPostScript},
      {"@EJL SE LA=ESC/PAGE\n", slEsc},
      {"@EJL SE LA=PCL\n", slPcl},
      {"%!ps lower case\n", slUnknown},
      {"no newline %!PS", slUnknown},
      {std::string(300, 'x') + "%!PS\n", slPostScript},
      {std::string(253, 'x') + "%!PS\n", slUnknown},  // split by the 255-byte line limit
  };
  for (const auto& c : cases) EXPECT_EQ(Sniff(c.text), c.expected) << c.text;
}

TEST(SniffPdlLanguage, TestsAtMost62Lines) {
  std::string lines;
  for (int i = 0; i < 61; ++i) lines += "line\n";
  EXPECT_EQ(Sniff(lines + "%!PS\n"), slPostScript);         // 62nd line
  EXPECT_EQ(Sniff(lines + "line\n%!PS\n"), slUnknown);       // 63rd line
  EXPECT_EQ(Sniff(lines + "\x01\x02\r\n%!PS\n"), slUnknown);  // controls make no line of their own
}

TEST(SplText, Operations) {
  using namespace spltext;
  std::string_view v;
  EXPECT_TRUE(Find("@PJL SET QTY=3\n", "@PJL SET QTY", v));
  EXPECT_EQ(v, "=3\n");
  EXPECT_FALSE(Find("@PJL SET QTY", "@PJL SET QTY", v));  // nothing after the key
  EXPECT_FALSE(Find("other", "key", v));
  EXPECT_EQ(v, "other");
  EXPECT_EQ(Clean(" = \"My Doc\"\r\n"), "My Doc");
  EXPECT_EQ(Clean("\t a=b \x01"), "ab");
  EXPECT_EQ(Number("+42abc"), 42);
  EXPECT_EQ(Number("-7"), -7);
  EXPECT_EQ(Number("x7"), 0);
  EXPECT_EQ(Number("99999999999999"), 2147483647);
  EXPECT_EQ(FirstToken("A4 extra"), "A4");
  EXPECT_EQ(FirstToken("A4"), "A4");
  EXPECT_EQ(UpTo("600dpi", "dpi"), "600");
  EXPECT_EQ(UpTo("600", "dpi"), "");
}

TEST(HeaderScan, PostScriptDsc) {
  const TSPLInfo i = Scan(
      "%!PS-Adobe-3.0\n"
      "%%Title: (Report)\n"
      "%%Title: Second\n"
      "%%For: alice\n"
      "%%BoundingBox: 0 0 595 842\n"
      "%%LanguageLevel: 2\n"
      "%%Pages: (atend)\n"
      "%%Orientation: Portrait\n"
      "%%BeginFeature: *Resolution 600dpi\n"
      "%%EndFeature\n"
      "%%BeginFeature: *PageSize A4\n"
      "%%BeginFeature: *PageRegion Letter\n"
      "%%BeginFeature: *Duplex DuplexNoTumble\n"
      "<< /NumCopies 3 >> setpagedevice\n"
      "<< /NumCopies 5 >> setpagedevice\n"
      "%%Trailer\n"
      "%%Pages: 4\n"
      "%%EOF\n");
  EXPECT_EQ(i.Language, slPostScript);
  EXPECT_EQ(U8(i.Title), "(Report)");
  EXPECT_EQ(U8(i.UserName), "alice\n");
  EXPECT_EQ(i.PageBox1, 0);
  EXPECT_EQ(i.PageBox3, 595);
  EXPECT_EQ(i.PageBox4, 842);
  EXPECT_EQ(U8(i.LanguageName), "POSTSCRIPT 2");
  EXPECT_EQ(i.Pages, 4);
  EXPECT_EQ(i.Orientation, 1);
  EXPECT_EQ(i.Resolution, 600);
  EXPECT_EQ(U8(i.PaperName), "A4\n");
  EXPECT_EQ(i.Duplex, 1);
  EXPECT_EQ(i.Copies, 3);
  const uint32_t expected = siTitle | siUserName | siPageBox | siLanguageName | siHeadersScanned | siCopies |
                            siResolution | siPages | siPaperName | siDuplex | siOrientation;
  EXPECT_EQ(i.Flags, expected);
}

TEST(HeaderScan, PostScriptDuplexModes) {
  const struct {
    const char* line;
    int duplex;  // -1 when not found
  } cases[] = {
      {"%%BeginFeature: *Duplex None\n", 0},     {"%%BeginFeature: *Duplex none\r\n", 0},
      {"%%BeginFeature: *Duplex False\n", 0},    {"%%BeginFeature: *Duplex Simplex\n", 0},
      {"%%BeginFeature: *Duplex DuplexTumble\n", 1}, {"%%BeginFeature: *Duplex True\n", 1},
      {"%%EndFeature: *Duplex None\n", -1},      {"no comment Duplex None\n", -1},
  };
  for (const auto& c : cases) {
    const TSPLInfo i = Scan(std::string("%!PS\n") + c.line);
    EXPECT_EQ(i.Has(siDuplex) ? i.Duplex : -1, c.duplex) << c.line;
  }
}

TEST(HeaderScan, LineEndingsAllBehaveAlike) {
  for (const char* eol : {"\n", "\r\n", "\r"}) {
    // The sniffer only splits at LF or 255 bytes, so give it a long first line.
    const std::string text =
        std::string("%!PS") + std::string(260, ' ') + eol + "%%Title: A" + eol + "%%Pages: 2" + eol;
    const TSPLInfo i = Scan(text);
    EXPECT_EQ(U8(i.Title), "A");
    EXPECT_EQ(i.Pages, 2);
  }
}

TEST(HeaderScan, PjlHeaders) {
  const std::string uel = "\x1b%-12345X";
  const TSPLInfo i = Scan(uel +
                          "@PJL JOB NAME=\"First\"\r\n"
                          "@PJL SET JOBNAME=\"Quarterly\"\r\n"
                          "@PJL COMMENT \"Username: bob; App: x\"\r\n"
                          "@PJL SET PAPERWIDTH=5953\r\n"
                          "@PJL SET PAPERLENGTH=8419\r\n"
                          "@PJL SET RESOLUTION=600\r\n"
                          "@PJL SET ORIENTATION=LANDSCAPE\r\n"
                          "@PJL SET TOPMARGIN=142\r\n"
                          "@PJL SET QTY=2\r\n"
                          "@PJL ENTER LANGUAGE=PCL\r\n"
                          "\x1b" "E page one\x0c\x1b" "E" +
                          uel + "@PJL EOJ\r\n" + uel);
  EXPECT_EQ(i.Language, slPcl);
  EXPECT_EQ(U8(i.Title), "Quarterly");
  EXPECT_EQ(U8(i.UserName), "bob");
  EXPECT_EQ(U8(i.PaperName), "210 x 297 mm");
  EXPECT_EQ(i.PaperWidthMm, 210);
  EXPECT_EQ(i.PaperLengthMm, 297);
  EXPECT_TRUE(i.Has(siPaperSizeMm));
  EXPECT_EQ(i.Resolution, 600);
  EXPECT_EQ(i.Orientation, 2);
  EXPECT_EQ(i.PageBox2, 5);
  EXPECT_EQ(i.Copies, 2);
  EXPECT_EQ(U8(i.LanguageName), "PCL");
  // One job start ("-12345X@" without EOJ) gives a page when nothing else does.
  EXPECT_EQ(i.Pages, 1);
  // The offset of the byte before "-12345X@", for job ends too.
  EXPECT_EQ(U8(i.JobOffsets), "1 290 ");
}

TEST(HeaderScan, JobOffsetsAndPagesFromJobStarts) {
  const std::string uel = "\x1b%-12345X";
  const std::string job = uel + "@PJL JOB\n\x1b" "Edata\n";
  const std::string all = job + job + uel + "@PJL EOJ\n";
  const TSPLInfo i = Scan("@PJL ENTER LANGUAGE=PCL\n" + all);
  const size_t first = 25;
  EXPECT_EQ(U8(i.JobOffsets), std::to_string(first) + " " + std::to_string(first + job.size()) + " " +
                                  std::to_string(first + 2 * job.size()) + " ");
  EXPECT_EQ(i.Pages, 2);
}

TEST(HeaderScan, PjlPaperRoundsHalfToEven) {
  // 28.3464567 decipoints per millimetre: 14.5 mm → 14, 15.5 mm → 16.
  auto paper = [](int w, int l) {
    return U8(Scan("@PJL ENTER LANGUAGE=PCL\n@PJL SET PAPERWIDTH=" + std::to_string(w) +
                   "\n@PJL SET PAPERLENGTH=" + std::to_string(l) + "\n")
                  .PaperName);
  };
  EXPECT_EQ(paper(411, 439), "14 x 15 mm");  // 14.499 and 15.487
  EXPECT_EQ(paper(5953, 0), "210 x 0 mm");
}

TEST(HeaderScan, Utf8Texts) {
  const TSPLInfo i = Scan(
      "@PJL ENTER LANGUAGE=PCL\n@PJL SET STRINGCODESET=UTF8\n@PJL JOB NAME=\"Gr\xC3\xBC\xC3\x9F" "e\"\n");
  EXPECT_EQ(i.Title, u"Gr\u00FC\u00DFe");
  const TSPLInfo ansi = Scan("@PJL ENTER LANGUAGE=PCL\n@PJL JOB NAME=\"Gr\xFC\xDF" "e\"\n");
  EXPECT_EQ(ansi.Title, u"Gr\u00FC\u00DFe");
}

TEST(HeaderScan, UserCommentWithoutSemicolonGivesEmptyName) {
  const TSPLInfo i = Scan("@PJL ENTER LANGUAGE=PCL\n@PJL COMMENT \"Username: carol\"\n");
  EXPECT_TRUE(i.Has(siUserName));
  EXPECT_EQ(i.UserName, u"");
}

TEST(HeaderScan, HpglReplot) {
  const TSPLInfo i = Scan("@PJL ENTER LANGUAGE=HPGL2\nIN;SP1;PA0,0;PG;RP2;\n");
  EXPECT_EQ(i.Language, slHpgl);
  EXPECT_EQ(i.Copies, 3);
}

TEST(HeaderScan, EjlJob) {
  const TSPLInfo i = Scan(
      "@EJL SE LA=ESC/PAGE\n"
      "@EJL JI ID=\"1\" USER=\"dave\" DOCUMENT=\"Plan\" PAGES=10\n"
      "@EJL SET QT=2 PS=A4 RS=600 DX=ON\n"
      "@EJL EN LA=ESC/PAGE\n");
  EXPECT_EQ(i.Language, slEsc);
  EXPECT_EQ(U8(i.UserName), "dave");
  EXPECT_EQ(U8(i.Title), "Plan");
  EXPECT_EQ(i.Copies, 2);
  EXPECT_EQ(i.Pages, 5);
  EXPECT_EQ(U8(i.PaperName), "A4");
  EXPECT_EQ(i.Resolution, 600);
  EXPECT_EQ(i.Duplex, 1);
  EXPECT_EQ(U8(i.LanguageName), "ESC/PAGE");
}

TEST(HeaderScan, LastLineWithoutTerminatorIsNotRead) {
  EXPECT_EQ(Scan("%!PS\n%%Pages: 3").Has(siPages), false);
  EXPECT_EQ(Scan("%!PS\n%%Pages: 3\n").Pages, 3);
}

TEST(HeaderScan, LongLinesSplitEvery254Bytes) {
  // The keyword starts a new line after 254 bytes without a terminator.
  const std::string text = "%!PS\n" + std::string(254, 'x') + "%%Pages: 7\n";
  EXPECT_EQ(Scan(text).Pages, 7);
  const std::string straddling = "%!PS\n" + std::string(250, 'x') + "%%Pages: 7\n";
  EXPECT_FALSE(Scan(straddling).Has(siPages));
}

TEST(HeaderScan, ScanSpoolFile) {
  TSPLInfo info;
  EXPECT_FALSE(ScanSpoolFile(-1, info));
  const int empty = TempFd("");
  EXPECT_FALSE(ScanSpoolFile(empty, info));
  close(empty);
  const int fd = TempFd("%!PS\n%%Title: T\n");
  EXPECT_TRUE(ScanSpoolFile(fd, info));
  EXPECT_EQ(U8(info.Title), "T");
  close(fd);
}

// The fast scan jumps between keywords; it must agree with testing every line.
void ExpectSameAsEveryLine(const std::string& data) {
  TSPLInfo fast, slow;
  const auto* p = reinterpret_cast<const uint8_t*>(data.data());
  ASSERT_EQ(ScanSpoolHeaders(p, data.size(), fast), detail::ScanSpoolHeadersEveryLine(p, data.size(), slow));
  EXPECT_EQ(fast.Flags, slow.Flags);
  EXPECT_EQ(fast.Title, slow.Title);
  EXPECT_EQ(fast.UserName, slow.UserName);
  EXPECT_EQ(fast.PaperName, slow.PaperName);
  EXPECT_EQ(fast.LanguageName, slow.LanguageName);
  EXPECT_EQ(fast.JobOffsets, slow.JobOffsets);
  EXPECT_EQ(fast.Copies, slow.Copies);
  EXPECT_EQ(fast.Pages, slow.Pages);
  EXPECT_EQ(fast.Duplex, slow.Duplex);
  EXPECT_EQ(fast.Resolution, slow.Resolution);
  EXPECT_EQ(fast.Orientation, slow.Orientation);
  EXPECT_EQ(fast.PageBox1 + 2 * fast.PageBox2 + 3 * fast.PageBox3 + 4 * fast.PageBox4,
            slow.PageBox1 + 2 * slow.PageBox2 + 3 * slow.PageBox3 + 4 * slow.PageBox4);
}

TEST(HeaderScan, FastScanAgreesWithEveryLineOnRandomData) {
  const std::vector<std::string> pieces = {
      "\n", "\r", "\r\n", "%%", "%%Title: (T)", "%%Pages: 3", "%%For: u", "NumCopies 2 ", "#copies 4 ",
      "@PJL SET QTY=2", "@PJL JOB NAME=\"j\"", "\x1b%-12345X@PJL ", "EOJ", "PG;RP1;", "@EJL JI USER=\"x\" PAGES=4",
      "@EJL SET QT=2", "Duplex None", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "\x1b*b40W"};
  std::mt19937 rng(7);
  for (const char* head : {"%!PS\n", "@PJL ENTER LANGUAGE=PCL\n", "@EJL SE LA=ESC\n"}) {
    for (int round = 0; round < 150; ++round) {
      std::string data = head;
      const int n = 1 + static_cast<int>(rng() % 80);
      for (int i = 0; i < n; ++i) data += pieces[rng() % pieces.size()];
      ExpectSameAsEveryLine(data);
    }
  }
}

}  // namespace
}  // namespace ostrovel
