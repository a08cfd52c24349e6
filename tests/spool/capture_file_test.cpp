// The job capture file: records written and read back, byte layout, and
// what the reader does with files that are not quite ours.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "uSPLSaveRead.h"

namespace ostrovel {
namespace {

// A capture file in a fresh folder, written by the test.
class CaptureFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/ostrovel-capture-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    dir_ = dir;
    name_ = dir_ + "/capture.tmp";
    fd_ = open(name_.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd_, 0);
  }
  void TearDown() override {
    if (fd_ >= 0) close(fd_);
    unlink(name_.c_str());
    rmdir(dir_.c_str());
  }
  std::string Bytes() {
    std::string bytes(static_cast<size_t>(lseek(fd_, 0, SEEK_END)), '\0');
    pread(fd_, bytes.data(), bytes.size(), 0);
    return bytes;
  }
  bool Exists() const { return access(name_.c_str(), F_OK) == 0; }

  std::string dir_, name_;
  int fd_ = -1;
};

std::u16string Repeat(char16_t c, size_t n) {
  return std::u16string(n, c);
}

TDevModeW DevMode(int16_t copies, int16_t orientation) {
  TDevModeW dm{};
  dm.dmSize = sizeof dm;
  dm.dmCopies = copies;
  dm.dmOrientation = orientation;
  dm.dmFields = dmfCopies | dmfOrientation;
  return dm;
}

TSPLInfo FullInfo() {
  TSPLInfo i;
  i.Flags = siTitle | siCopies | siPages | siPaperSizeMm;
  i.Title = Repeat(u'T', 255);
  i.UserName = u"erin";
  i.PageBox1 = 1, i.PageBox2 = 2, i.PageBox3 = 3, i.PageBox4 = 4;
  i.Orientation = 2;
  i.LanguageName = u"PCL";
  i.Language = slPcl;
  i.Copies = 3;
  i.Resolution = 600;
  i.Pages = 2;
  i.PaperName = u"A4";
  i.Duplex = 1;
  i.ColourMeasure1 = 11, i.ColourMeasure2 = 12, i.ColourMeasure3 = 13, i.ColourMeasure4 = 14;
  i.Colour = 1;
  i.Reserved1 = 21, i.Reserved2 = 22;
  i.PaperWidthMm = 210;
  i.PaperLengthMm = 297;
  return i;
}

TEST_F(CaptureFile, EveryRecordTypeRoundTrips) {
  TCaptureWriter w(fd_);
  ASSERT_TRUE(w.Magic());
  TJobInfoFields fields;
  fields.Head.JobId = 12;
  fields.Head.TotalPages = 4;
  fields.Texts[jisPrinterName] = u"Laser";
  fields.Texts[jisDocument] = u"Budget.xlsx";
  fields.Texts[jisDataType] = u"RAW";
  const TDevModeW dm = DevMode(2, 1);
  fields.DevMode.resize(sizeof dm);
  std::memcpy(fields.DevMode.data(), &dm, sizeof dm);
  w.StartSums();
  w.JobInfo(MakeJobInfoBlock(fields));
  w.Header(crDevMode, sizeof dm, true);
  const int64_t devModeOffset = w.Position();
  w.Payload(&dm, sizeof dm);
  EXPECT_TRUE(w.SumsMatch());

  const std::string spool = "\x1b%-12345X@PJL\r\nspool data";
  w.Header(crSpoolData, static_cast<uint32_t>(spool.size()), false);
  const int64_t spoolBase = w.Position();
  w.Payload(spool.data(), spool.size());
  w.Header(crSpoolEnd, 8, false);

  // Two pages sharing a device mode: every page field set on the first.
  TSplPageRecord first;
  first.JobId = 12;
  first.DataOffset = spoolBase + 4;
  first.DataSize = 5;
  first.SpoolBase = spoolBase;
  first.SpoolSize = static_cast<int64_t>(spool.size());
  first.Name = Repeat(u'N', 255);
  first.DevModeOffset = devModeOffset;
  first.DevModeSize = sizeof dm;
  first.FontOffset = 100, first.FontSize = 50;
  first.Device = {4960, 7016, 100, 120, 4760, 6776};
  first.Mm = {210, 297, 4, 5, 202, 287};
  first.Language = slPcl;
  first.OrientationChanged = 1;
  TSplPageRecord second = first;
  second.Name = u"PCL";
  second.JobId = -3;       // not 0: written
  second.DataSize = -901;  // below 0: not written
  w.StartSums();
  w.Header(crPages, 2, false);
  w.Page(first);
  w.Page(second);
  w.Attributes(FullInfo());
  EXPECT_TRUE(w.SumsMatch());
  w.Header(crEnd, 0, false);

  TSPLInfo info;
  TJobInfoBlock block;
  TArraySplStream pages;
  const int handle = ReadCaptureFile(name_, info, block, pages);
  ASSERT_GE(handle, 0);
  EXPECT_FALSE(Exists()) << "the name goes once the reader holds the file";

  EXPECT_EQ(block.Head().JobId, 12u);
  EXPECT_EQ(block.Head().TotalPages, 4u);
  EXPECT_EQ(block.Text(jisPrinterName), u"Laser");
  EXPECT_EQ(block.Text(jisDocument), u"Budget.xlsx");
  EXPECT_EQ(block.Text(jisMachineName), u"");
  ASSERT_NE(block.DevMode(), nullptr);
  EXPECT_EQ(block.DevMode()->dmCopies, 2);

  ASSERT_EQ(pages.size(), 2u);
  const TSplPageRecord& p = pages[0];
  EXPECT_EQ(p.JobId, 12);
  EXPECT_EQ(p.DataOffset, spoolBase + 4);
  EXPECT_EQ(p.DataSize, 5);
  EXPECT_EQ(p.SpoolBase, spoolBase);
  EXPECT_EQ(p.SpoolSize, static_cast<int64_t>(spool.size()));
  EXPECT_EQ(p.Name, Repeat(u'N', 255));
  EXPECT_EQ(p.FontOffset, 100);
  EXPECT_EQ(p.FontSize, 50);
  EXPECT_EQ(p.Device, (TPageGeometry{4960, 7016, 100, 120, 4760, 6776}));
  EXPECT_EQ(p.Mm, (TPageGeometry{210, 297, 4, 5, 202, 287}));
  EXPECT_EQ(p.Language, slPcl);
  EXPECT_EQ(p.OrientationChanged, 1);
  ASSERT_TRUE(p.DevMode);
  ASSERT_EQ(p.DevMode->size(), sizeof dm);
  EXPECT_EQ(std::memcmp(p.DevMode->data(), &dm, sizeof dm), 0);
  EXPECT_EQ(pages[1].DevMode.get(), p.DevMode.get()) << "one buffer for one device mode";
  EXPECT_EQ(pages[1].JobId, -3);
  EXPECT_EQ(pages[1].DataSize, 0);
  EXPECT_EQ(pages[1].Name, u"PCL");

  const TSPLInfo want = FullInfo();
  EXPECT_EQ(info.Flags, want.Flags);
  EXPECT_EQ(info.Title, want.Title);
  EXPECT_EQ(info.UserName, u"erin");
  EXPECT_EQ(std::make_tuple(info.PageBox1, info.PageBox2, info.PageBox3, info.PageBox4),
            std::make_tuple(1, 2, 3, 4));
  EXPECT_EQ(info.Orientation, 2);
  EXPECT_EQ(info.LanguageName, u"PCL");
  EXPECT_EQ(info.Language, slPcl);
  EXPECT_EQ(info.Copies, 3);
  EXPECT_EQ(info.Resolution, 600);
  EXPECT_EQ(info.Pages, 2);
  EXPECT_EQ(info.PaperName, u"A4");
  EXPECT_EQ(info.Duplex, 1);
  EXPECT_EQ(std::make_tuple(info.ColourMeasure1, info.ColourMeasure2, info.ColourMeasure3,
                            info.ColourMeasure4),
            std::make_tuple(11, 12, 13, 14));
  EXPECT_EQ(info.Colour, 1);
  EXPECT_EQ(std::make_tuple(info.Reserved1, info.Reserved2, info.PaperWidthMm, info.PaperLengthMm),
            std::make_tuple(21, 22, 210, 297));

  CloseCaptureFile(handle, block, pages);
  EXPECT_TRUE(pages.empty());
  EXPECT_TRUE(block.Empty());
}

// The bytes of a small file, field by field.
TEST_F(CaptureFile, BytesAreTheDocumentedLayout) {
  TCaptureWriter w(fd_);
  w.Magic();
  w.Header(crSpoolData, 3, false);
  w.Payload("abc", 3);
  w.Header(crSpoolEnd, 8, false);
  w.Header(crPages, 1, false);
  TSplPageRecord page;
  page.JobId = 7;
  page.Language = slText;
  w.Page(page);
  TSPLInfo info;
  info.Flags = siCopies;
  info.Copies = 2;
  info.Title = std::u16string(300, u'x');  // cut to 255 characters
  w.Attributes(info);
  w.Header(crEnd, 0, false);

  auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  std::string want = "PGhT";
  want += u32(55) + u32(3) + "abc";
  want += u32(56) + u32(8);
  want += u32(3) + u32(1);
  want += u32(4) + u32(8);
  want += u32(5) + u32(8) + std::string("\x07\0\0\0\0\0\0\0", 8);
  want += u32(40) + u32(2) + std::string("\x06\0", 2);
  want += u32(54) + u32(8);
  want += u32(0x10001) + u32(4) + u32(siCopies);
  want += u32(0x10002) + u32(510);
  for (int i = 0; i < 255; ++i) want += std::string("x\0", 2);
  want += u32(0x10012) + u32(4) + u32(2);
  want += u32(57) + u32(0);
  const std::string got = Bytes();
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i)
    ASSERT_EQ(got[i], want[i]) << "first difference at " << i;
}

TEST_F(CaptureFile, ReaderOfFilesThatAreNotQuiteOurs) {
  TSPLInfo info;
  info.Flags = siTitle;
  TJobInfoBlock block;
  TArraySplStream pages;
  // No magic: a handle, nothing read, the file gone when it is closed.
  write(fd_, "NOPE", 4);
  const int handle = ReadCaptureFile(name_, info, block, pages);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(info.Flags, 0u);
  EXPECT_TRUE(pages.empty());
  CloseCaptureFile(handle, block, pages);
  EXPECT_FALSE(Exists());
  // Missing file.
  EXPECT_EQ(ReadCaptureFile(name_, info, block, pages), -1);
}

TEST_F(CaptureFile, OffsetsOutsideTheBlockAndOversizedLengthsStayHarmless) {
  TCaptureWriter w(fd_);
  w.Magic();
  TJobInfoFields fields;
  fields.Texts[jisDocument] = u"Doc";
  TJobInfoBlock block = MakeJobInfoBlock(fields);
  block.Head().Slots[jisUserName] = 1u << 20;  // far outside
  block.Head().Slots[jisMachineName] = 153;    // not on a boundary
  w.JobInfo(block);
  w.Header(crPages, 1, false);
  w.Header(crPageStart, 8, false);
  // A device mode said to lie beyond the end of the file.
  const int64_t far = 1 << 30, size = 220;
  w.Record(crDevModeOffset, far);
  w.Record(crDevModeSize, size);
  // A language record longer than its field.
  w.Header(crInfoLanguage, 6, true);
  w.Payload("\x04\0\0\0\0\0", 6);
  w.Record(crCopies, int32_t{5});
  // A text record claiming 4 GB: read as 255 characters at most.
  w.Header(crLanguageName, 0xfc7f0000u, false);
  w.Payload(u"PCL", 6);

  TSPLInfo info;
  TJobInfoBlock read;
  TArraySplStream pages;
  const int handle = ReadCaptureFile(name_, info, read, pages);
  ASSERT_GE(handle, 0);
  EXPECT_EQ(read.Text(jisDocument), u"Doc");
  EXPECT_EQ(read.Text(jisUserName), u"");
  EXPECT_EQ(read.Text(jisMachineName), u"");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_FALSE(pages[0].DevMode);
  EXPECT_EQ(info.Language, slPcl);
  EXPECT_EQ(info.Copies, 5);
  EXPECT_EQ(info.LanguageName, u"PCL");
  CloseCaptureFile(handle, read, pages);
}

}  // namespace
}  // namespace ostrovel
