// CaptureJob against the in-process spooler: raw, text and EMF jobs, the
// capture file it leaves, and the failures that leave no file behind.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "emf_spool_fixture.h"
#include "uMemorySpooler.h"
#include "uProcs.h"
#include "uSPLCapture.h"
#include "uSPLSaveRead.h"
#include "uTempFiles.h"

namespace ostrovel {
namespace {

std::string Fixture(const char* name) {
  std::ifstream in(std::string(OSTROVEL_TEST_DATA) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ReadFd(int fd) {
  std::string bytes;
  char buffer[4096];
  ssize_t n;
  lseek(fd, 0, SEEK_SET);
  while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(n));
  return bytes;
}

struct TRead {
  TSPLInfo info;
  TJobInfoBlock block;
  TArraySplStream pages;
};

class Capture : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/ostrovel-capture-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    dir_ = dir;
    oldTmp_ = getenv("TMPDIR") ? getenv("TMPDIR") : "";
    setenv("TMPDIR", dir_.c_str(), 1);
    SetSpooler(spooler);
    SetCaptureWait({3, 1});
    TPrinterInfo p;
    p.Name = u"Laser";
    spooler->AddPrinter(p);
    TDevModeW dm{};
    dm.dmSize = sizeof dm;
    spooler->SetPrinterDefaults(u"Laser", dm, {4960, 7016, 100, 100, 4760, 6816, 202, 289});
  }
  void TearDown() override {
    SetCaptureWriteFn(nullptr);
    SetCaptureWait({});
    SetSpooler(nullptr);
    if (oldTmp_.empty())
      unsetenv("TMPDIR");
    else
      setenv("TMPDIR", oldTmp_.c_str(), 1);
    rmdir(dir_.c_str());
  }
  // Names left in the temporary folder.
  std::vector<std::string> Left() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
      closedir(d);
    }
    return names;
  }
  uint32_t Add(const char16_t* dataType, std::string data, uint32_t totalPages = 1,
               bool devMode = true) {
    TJobInfo j;
    j.Document = u"Budget.xlsx";
    j.DataType = dataType;
    j.TotalPages = totalPages;
    if (devMode) {
      TDevModeW dm{};
      dm.dmSize = sizeof dm;
      dm.dmOrientation = 1;
      dm.dmCopies = 1;
      j.DevMode = dm;
    }
    return spooler->AddJob(u"Laser", j, std::move(data));
  }
  // Reads the capture file back and closes it (deleting it).
  TRead ReadBack(const TCaptureResult& r) {
    TRead read;
    const int handle = ReadCaptureFile(r.CaptureFileName, read.info, read.block, read.pages);
    EXPECT_GE(handle, 0);
    TArraySplStream kept = read.pages;
    TJobInfoBlock block = std::move(read.block);
    TJobInfoBlock none;
    CloseCaptureFile(handle, none, read.pages);
    read.pages = std::move(kept);
    read.block = std::move(block);
    return read;
  }

  std::shared_ptr<TMemorySpooler> spooler = std::make_shared<TMemorySpooler>();
  std::string dir_, oldTmp_;
};

TEST_F(Capture, RawPclJobIsCopiedScannedAndRecorded) {
  const std::string data = Fixture("pcl-pjl-copies.prn");
  const uint32_t id = Add(u"RAW", data);
  const TCaptureResult r = CaptureJob(u"Laser", id);
  ASSERT_TRUE(r.Ok);
  ASSERT_GE(r.SpoolFd, 0);
  // The name: printer in hexadecimal ("Laser"), job id, tick.
  EXPECT_EQ(r.CaptureFileName.rfind(dir_ + "/4C61736572" + std::to_string(id), 0), 0u)
      << r.CaptureFileName;
  EXPECT_EQ(ReadFd(r.SpoolFd), data);
  EXPECT_EQ(Left().size(), 1u) << "only the capture file has a name";

  const TRead read = ReadBack(r);
  EXPECT_TRUE(Left().empty());
  // The header scan's findings (the copies are the stream parser's).
  EXPECT_EQ(read.info.Title, u"Budget.xlsx");
  EXPECT_EQ(read.info.PaperWidthMm, 210);
  EXPECT_EQ(read.info.PaperLengthMm, 297);
  EXPECT_EQ(read.info.Resolution, 300);
  EXPECT_EQ(read.info.Language, slPcl);
  EXPECT_EQ(read.block.Text(jisDocument), u"Budget.xlsx");
  EXPECT_EQ(read.block.Text(jisDataType), u"RAW");
  ASSERT_NE(read.block.DevMode(), nullptr);
  EXPECT_EQ(read.block.Head().JobId, id);
  ASSERT_FALSE(read.pages.empty());
  const TSplPageRecord& first = read.pages.front();
  EXPECT_EQ(first.JobId, id);
  EXPECT_EQ(first.SpoolSize, static_cast<int64_t>(data.size()));
  EXPECT_GT(first.SpoolBase, 0);
  EXPECT_EQ(first.Language, slPcl);
  EXPECT_EQ(read.pages.back().Name, u"PCL");
  EXPECT_EQ(first.Device, (TPageGeometry{4960, 7016, 100, 100, 4760, 6816}));
  // 4960 x 202 / 4760 + 0.49 = 210.99 -> 211; 7016 x 289 / 6816 + 0.49 = 297.96 -> 298.
  EXPECT_EQ(first.Mm.PhysicalWidth, 211);
  EXPECT_EQ(first.Mm.PhysicalHeight, 298);
  // Job offsets 1 and 632 in one page: the data from the first job start.
  ASSERT_EQ(read.pages.size(), 1u);
  EXPECT_EQ(first.DataOffset, first.SpoolBase);
  EXPECT_EQ(first.DataSize, 630);
  ASSERT_TRUE(read.pages.back().DevMode) << "the last page carries the job's device mode";
  close(r.SpoolFd);
}

TEST_F(Capture, PageTableFromTheSpoolerTotalOrFromJobOffsets) {
  // No job starts, no page count: the spooler's total makes the table.
  {
    const TCaptureResult r = CaptureJob(u"Laser", Add(u"RAW", "plain bytes", 3));
    ASSERT_TRUE(r.Ok);
    const TRead read = ReadBack(r);
    ASSERT_EQ(read.pages.size(), 3u);
    for (const auto& p : read.pages) EXPECT_EQ(p.DataOffset, 0);
    close(r.SpoolFd);
  }
  // Job starts at 5 and 900: two pages, the second's size below 0.
  {
    // Offsets count from the byte before "-12345X@".
    std::string data(1000, '\n');
    data.replace(4, 27, "\x1b%-12345X@PJL JOB NAME=\"A\"\n");
    data.replace(31, 24, "@PJL ENTER LANGUAGE=PCL\n");
    data.replace(899, 27, "\x1b%-12345X@PJL JOB NAME=\"B\"\n");
    const TCaptureResult r = CaptureJob(u"Laser", Add(u"RAW", data, 2));
    ASSERT_TRUE(r.Ok);
    const TRead read = ReadBack(r);
    ASSERT_EQ(read.pages.size(), 2u);
    const int64_t base = read.pages[0].SpoolBase;
    EXPECT_EQ(read.pages[0].DataOffset, base + 4);
    EXPECT_EQ(read.pages[0].DataSize, 894);
    EXPECT_EQ(read.pages[1].DataOffset, base + 899);
    EXPECT_EQ(read.pages[1].DataSize, 0) << "a negative size is not written";
    close(r.SpoolFd);
  }
}

TEST_F(Capture, TextLikeTypesAreNotScannedAndJobsWithoutDeviceMode) {
  const TCaptureResult r = CaptureJob(u"Laser", Add(u"MyText", "@PJL SET COPIES=4\n", 1, false));
  ASSERT_TRUE(r.Ok);
  const TRead read = ReadBack(r);
  EXPECT_FALSE(read.info.Has(siCopies));
  ASSERT_EQ(read.pages.size(), 1u);
  EXPECT_EQ(read.pages[0].Language, slText);
  EXPECT_EQ(read.pages[0].Name, u"TEXT");
  EXPECT_EQ(read.block.DevMode(), nullptr);
  EXPECT_EQ(read.pages[0].DevModeOffset, 0);
  EXPECT_FALSE(read.pages[0].DevMode);
  close(r.SpoolFd);
}

TEST_F(Capture, EmfJobIsWalkedRecordByRecord) {
  test::TEmfSpoolFile f;
  f.DevMode(1, 1).Page().DevMode(2, 1).Page();
  const TCaptureResult r = CaptureJob(u"Laser", Add(u"NT EMF 1.008", f.Bytes(), 2));
  ASSERT_TRUE(r.Ok);
  const TRead read = ReadBack(r);
  EXPECT_EQ(read.info.Language, slEmf);
  EXPECT_EQ(read.info.Copies, 2);
  ASSERT_EQ(read.pages.size(), 2u);
  EXPECT_EQ(read.pages[0].Language, slEmf);
  EXPECT_EQ(read.pages[1].Device.PhysicalWidth, 4960);
  // The device mode offsets point into the copied spool data.
  ASSERT_TRUE(read.pages[1].DevMode);
  EXPECT_EQ(reinterpret_cast<const TDevModeW*>(read.pages[1].DevMode->data())->dmCopies, 2);
  close(r.SpoolFd);

  // EMF by name only: analysed as raw data.
  const TCaptureResult raw = CaptureJob(u"Laser", Add(u"NT EMF 1.008", "%!PS\n%%Pages: 3\n"));
  ASSERT_TRUE(raw.Ok);
  const TRead rawRead = ReadBack(raw);
  EXPECT_EQ(rawRead.info.Pages, 3);
  EXPECT_EQ(rawRead.pages.size(), 3u);
  close(raw.SpoolFd);
}

// Every write of the given size comes out one byte short.
size_t shortSize = 0;
ssize_t ShortWrite(int fd, const void* bytes, size_t size) {
  return size == shortSize ? static_cast<ssize_t>(write(fd, bytes, size - 1))
                           : write(fd, bytes, size);
}

TEST_F(Capture, FailuresLeaveNoFileBehind) {
  const uint32_t id = Add(u"RAW", Fixture("pcl-pjl-copies.prn"));
  struct TCase {
    const char* name;
    size_t shortWrite;
  };
  // Record 1's payload, a page field, an attribute text, the spool data.
  const TCase cases[] = {
      {"job information", 0}, {"page record", 8}, {"attribute text", 510}, {"spool copy", 1}};
  for (const TCase& c : cases) {
    shortSize = c.shortWrite;
    if (c.shortWrite == 0) {
      // Shorten the job information block: its size is the first write over 152 bytes.
      SetCaptureWriteFn([](int fd, const void* bytes, size_t size) -> ssize_t {
        return size > 152 && size < 400 ? write(fd, bytes, size - 1) : write(fd, bytes, size);
      });
    } else if (c.shortWrite == 1) {
      SetCaptureWriteFn([](int fd, const void* bytes, size_t size) -> ssize_t {
        return size > 600 ? write(fd, bytes, size / 2) : write(fd, bytes, size);
      });
    } else {
      SetCaptureWriteFn(ShortWrite);
    }
    const TCaptureResult r = CaptureJob(u"Laser", id);
    EXPECT_FALSE(r.Ok) << c.name;
    EXPECT_TRUE(r.CaptureFileName.empty()) << c.name;
    EXPECT_EQ(r.SpoolFd, -1) << c.name;
    EXPECT_TRUE(Left().empty()) << c.name;
  }
  SetCaptureWriteFn(nullptr);

  // A job the spooler does not know, and a printer that does not open.
  EXPECT_FALSE(CaptureJob(u"Laser", 999).Ok);
  spooler->FailOpen(u"Laser", seAccessDenied);
  EXPECT_FALSE(CaptureJob(u"Laser", id).Ok);
  EXPECT_TRUE(Left().empty());
}

TEST_F(Capture, EmptyJobAndCapturesInTheSameMillisecond) {
  // Size 0 throughout: the capture waits its bounded turns and goes on.
  const uint32_t empty = Add(u"RAW", "");
  const TCaptureResult e = CaptureJob(u"Laser", empty);
  ASSERT_TRUE(e.Ok);
  EXPECT_EQ(ReadBack(e).pages.size(), 1u);
  close(e.SpoolFd);

  const uint32_t id = Add(u"RAW", "data");
  const TCaptureResult a = CaptureJob(u"Laser", id);
  const TCaptureResult b = CaptureJob(u"Laser", id);
  ASSERT_TRUE(a.Ok && b.Ok);
  EXPECT_NE(a.CaptureFileName, b.CaptureFileName);
  ReadBack(a), ReadBack(b);
  close(a.SpoolFd), close(b.SpoolFd);
}

TEST_F(Capture, DeviceGeometryInDeviceUnitsAndMillimetres) {
  TPageGeometry g;
  ASSERT_TRUE(QueryDeviceGeometry(u"Laser", nullptr, 0, g));
  EXPECT_EQ(g, (TPageGeometry{4960, 7016, 100, 100, 4760, 6816}));
  ASSERT_TRUE(QueryDeviceGeometry(u"Laser", nullptr, 1, g));
  // 100 x 202 / 4760 + 0.49 = 4.73 -> 5; the printable size is the printer's own.
  EXPECT_EQ(g, (TPageGeometry{211, 298, 5, 5, 202, 289}));

  // A printer that cannot be opened says so to the diagnostics only.
  std::string said;
  const TCaptureDiagnostic diagnostic = [&](std::string_view text) { said = text; };
  EXPECT_FALSE(QueryDeviceGeometry(u"Nope", nullptr, 0, g, diagnostic));
  EXPECT_EQ(said, "Error open printer Nope");
  // No resolution: no millimetres, and no division by zero.
  TDevModeW dm{};
  spooler->SetPrinterDefaults(u"Laser", dm, {4960, 7016, 0, 0, 0, 0, 202, 289});
  EXPECT_TRUE(QueryDeviceGeometry(u"Laser", nullptr, 0, g));
  EXPECT_FALSE(QueryDeviceGeometry(u"Laser", nullptr, 1, g));
}

TEST(TempFiles, NamesSpellThePrinterInHexadecimal) {
  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(TempBaseName(u"A\u0416", 12), "/var/tmp/4141612");
  unsetenv("TMPDIR");
  EXPECT_EQ(TempBaseName(u"\\\\pc\\p", 3), "/tmp/5C5C70635C703");
}

}  // namespace
}  // namespace ostrovel
