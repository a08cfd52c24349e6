// The EMF scan over hand-made EMF spool files.
#include <gtest/gtest.h>
#include <unistd.h>

#include "ParserEmfSpl.h"
#include "emf_spool_fixture.h"
#include "spool_test_util.h"

namespace ostrovel {
namespace {

using test::TEmfSpoolFile;

struct TScan {
  bool emf = false;
  TArraySplStream pages;
  TSPLInfo info;
  int queries = 0;  // geometry queries (two per page that asks)
  std::vector<int16_t> queriedOrientations;
};

TScan Scan(const std::string& bytes, const std::vector<uint8_t>& jobDevMode = {}) {
  TScan s;
  const int fd = test::TempFd(bytes);
  TEmfScanInput input;
  input.JobId = 9;
  input.SpoolBase = 1000;
  input.SpoolSize = static_cast<int64_t>(bytes.size());
  input.DevMode = jobDevMode;
  input.DevModeOffset = jobDevMode.empty() ? 0 : 400;
  input.DevModeSize = static_cast<int64_t>(jobDevMode.size());
  input.Geometry = [&s](const TDevModeW* dm, int mode, TPageGeometry& out) {
    ++s.queries;
    if (mode == 0) s.queriedOrientations.push_back(dm ? dm->dmOrientation : -1);
    out = mode == 0 ? TPageGeometry{4960, 7016, 100, 100, 4760, 6816}
                    : TPageGeometry{210, 297, 4, 4, 202, 289};
    return true;
  };
  s.emf = ScanEmfSpool(fd, input, s.pages, s.info);
  close(fd);
  return s;
}

TEST(EmfScan, PagesWithTheirDataDeviceModeAndGeometry) {
  TEmfSpoolFile f;
  f.DevMode(1, 1);
  const int64_t page1 = f.NextPayload();
  f.Page("first").Font();
  f.Page("second!").Page("third").Record(emriPreStartPage, "").Page("never");
  const TScan s = Scan(f.Bytes());
  ASSERT_TRUE(s.emf);
  EXPECT_EQ(s.info.Language, slEmf);
  ASSERT_EQ(s.pages.size(), 3u) << "the pre-start-page record ends the scan";
  EXPECT_EQ(s.pages[0].JobId, 9);
  EXPECT_EQ(s.pages[0].DataOffset, page1 + 1000);
  EXPECT_EQ(s.pages[0].DataSize, 5);
  EXPECT_EQ(s.pages[0].DevModeOffset, 16 + 8 + 1000);
  EXPECT_EQ(s.pages[0].Language, slEmf);
  EXPECT_EQ(s.pages[0].SpoolBase, 1000);
  EXPECT_EQ(s.pages[0].SpoolSize, static_cast<int64_t>(f.Bytes().size()));
  EXPECT_GT(s.pages[0].FontOffset, s.pages[0].DataOffset);
  EXPECT_EQ(s.pages[0].FontSize, 4);
  EXPECT_EQ(s.pages[1].DataSize, 7);
  EXPECT_EQ(s.pages[1].Language, 0);
  // Same device mode throughout: geometry asked once, copied to pages 2 and 3.
  EXPECT_EQ(s.queries, 2);
  for (const auto& p : s.pages) EXPECT_EQ(p.Device.PhysicalWidth, 4960);
  EXPECT_EQ(s.pages[2].Mm.PhysicalHeight, 297);
  EXPECT_FALSE(s.info.Has(siCopies)) << "a device mode before page 1 sets no copies";
}

TEST(EmfScan, CopiesComeFromTheDeviceModeBetweenPageOneAndTwo) {
  TEmfSpoolFile f;
  f.DevMode(1, 1).Page().DevMode(3, 1, 24).Page().DevMode(5, 1).Page();
  const TScan s = Scan(f.Bytes());
  EXPECT_TRUE(s.info.Has(siCopies));
  EXPECT_EQ(s.info.Copies, 3);
  ASSERT_EQ(s.pages.size(), 3u);
  // A device mode record belongs to the page it follows.
  EXPECT_EQ(s.pages[0].DevModeSize, 220 + 24);
  EXPECT_EQ(s.pages[1].DevModeSize, 220);
}

TEST(EmfScan, OrientationChangeMarksThePageAfterIt) {
  TEmfSpoolFile f;
  f.Page().DevMode(1, 2).Page().DevMode(1, 2).Page().DevMode(1, 1).Page();
  std::vector<uint8_t> portrait(sizeof(TDevModeW), 0);
  reinterpret_cast<TDevModeW*>(portrait.data())->dmOrientation = 1;
  const TScan s = Scan(f.Bytes(), portrait);
  ASSERT_EQ(s.pages.size(), 4u);
  EXPECT_EQ(s.pages[0].OrientationChanged, 0);
  EXPECT_EQ(s.pages[1].OrientationChanged, 1);
  EXPECT_EQ(s.pages[2].OrientationChanged, 0);
  EXPECT_EQ(s.pages[3].OrientationChanged, 1);
  EXPECT_EQ(s.queriedOrientations.front(), 1) << "page 1 uses the job's device mode";
}

TEST(EmfScan, RecordWalkEndings) {
  struct TCase {
    const char* name;
    TEmfSpoolFile file;
    size_t pages;
  };
  TCase cases[] = {
      {"type 0 then type 0 stops", TEmfSpoolFile().Page().Record(0, "").Record(0, "").Page(), 1},
      {"type 0 then a page goes on", TEmfSpoolFile().Page().Record(0, "").Page(), 2},
      {"extension records are skipped", TEmfSpoolFile().Record(emriMetafileExt, "12345678").Page(),
       1},
      {"a metafile record stops", TEmfSpoolFile().Page().Record(emriMetafile, "x").Page(), 1},
      {"unknown types stop", TEmfSpoolFile().Page().Record(21, "").Page(), 1},
      {"PostScript job data counts as a page", TEmfSpoolFile().Record(emriPsJobData, "%!").Page(),
       2},
  };
  for (const TCase& c : cases) EXPECT_EQ(Scan(c.file.Bytes()).pages.size(), c.pages) << c.name;

  // A record whose size runs past the end, and a file cut inside a header.
  std::string cut = TEmfSpoolFile().Page().Bytes();
  cut += std::string("\x0c\0\0\0\xff\xff\xff\x7f", 8);
  EXPECT_EQ(Scan(cut).pages.size(), 2u);
  EXPECT_EQ(Scan(cut.substr(0, cut.size() - 3)).pages.size(), 1u);
}

TEST(EmfScan, NoPageWithoutDeviceModeAsksForThePrintersDefaults) {
  const TScan s = Scan(TEmfSpoolFile().Page().Bytes());
  ASSERT_EQ(s.pages.size(), 1u);
  EXPECT_EQ(s.queriedOrientations.front(), -1);
  EXPECT_EQ(s.pages[0].OrientationChanged, 0);
}

TEST(EmfScan, OtherFilesAreNotEmf) {
  const TScan s = Scan("%!PS-Adobe-3.0\n");
  EXPECT_FALSE(s.emf);
  EXPECT_EQ(s.info.Language, slUnknown);
  EXPECT_FALSE(Scan("").emf);
}

}  // namespace
}  // namespace ostrovel
