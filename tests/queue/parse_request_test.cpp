// Parse requests end to end in the engine: a watched printer of the
// in-process spooler, jobs with real spool data, and the live records the
// request threads write.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>

#include "emf_spool_fixture.h"
#include "queue_test_util.h"
#include "uMainThread.h"
#include "uMemorySpooler.h"
#include "uNameLock.h"
#include "uParseRequest.h"
#include "uProcs.h"
#include "uSPLCapture.h"
#include "uSPLSaveRead.h"
#include "uSelectedPrinter.h"
#include "uWatcherRegistry.h"

namespace ostrovel {
namespace {

std::string Fixture(const char* name) {
  std::ifstream in(std::string(OSTROVEL_TEST_DATA) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ParseRequests : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSpooler(spooler);
    SetMainThreadCaller(std::make_shared<TInlineCaller>());
    TPrnThread::SetWaitTimeoutMs(300);
    SetCaptureWait({2, 1});
    for (const char16_t* name : {u"Laser", u"Inkjet"}) {
      TPrinterInfo p;
      p.Name = name;
      spooler->AddPrinter(p);
    }
    SetSelectedPrinter(u"Laser");
  }
  void TearDown() override {
    WatcherRegistry().StopAll(5000);
    DrainParseRequests();
    SetSelectedPrinter(u"");
    SetCaptureWriteFn(nullptr);
    SetCaptureWait({});
    TNameLock::SetWaits(60, 1000);
    TPrnThread::SetWaitTimeoutMs(15000);
  }
  uint32_t Add(const char16_t* printer, const char16_t* document, const char16_t* dataType,
               std::string data, uint32_t copies = 1, uint32_t pages = 1) {
    TJobInfo j;
    j.Document = document;
    j.DataType = dataType;
    j.TotalPages = pages;
    TDevModeW dm{};
    dm.dmSize = sizeof dm;
    dm.dmCopies = static_cast<int16_t>(copies);
    dm.dmDuplex = 1;  // the watcher applies the spooler's device mode again on each change
    j.DevMode = dm;
    return spooler->AddJob(printer, j, std::move(data));
  }
  void Watch(const char16_t* printer) {
    ASSERT_TRUE(WatcherRegistry().AddPrinterThread(printer, TPrnCallbacks{}));
  }
  // The live record of a job (zero-filled when it is not there).
  TQueueJob Live(const char16_t* printer, uint32_t id) {
    TQueueJob copy = ZeroJob();
    WithLiveJob(printer, id, [&](TQueueJob& job) { copy = job; });
    return copy;
  }
  bool WaitAnalysed(const char16_t* printer, uint32_t id) {
    return test::WaitUntil([&] { return Live(printer, id).Has(jfAnalysed); });
  }

  std::shared_ptr<TMemorySpooler> spooler = std::make_shared<TMemorySpooler>();
};

TEST_F(ParseRequests, SpoolDataValuesReachTheLiveRecord) {
  const uint32_t pcl = Add(u"Laser", u"Budget.xlsx", u"RAW", Fixture("pcl-pjl-copies.prn"));
  const uint32_t ps = Add(u"Laser", u"report.ps", u"RAW", Fixture("ps-duplex-None.ps"), 1, 1);
  const uint32_t text = Add(u"Laser", u"notes.txt", u"TEXT", "plain text", 0, 0);
  Watch(u"Laser");
  ASSERT_TRUE(WaitAnalysed(u"Laser", pcl));
  ASSERT_TRUE(WaitAnalysed(u"Laser", ps));
  ASSERT_TRUE(WaitAnalysed(u"Laser", text));

  // PCL in PJL: the parser's copies and pages, the header scan's paper; the
  // title is in the document name already.
  TQueueJob j = Live(u"Laser", pcl);
  EXPECT_EQ(j.Copies, 3);
  EXPECT_EQ(j.TotalPages, 2u);
  EXPECT_EQ(j.DataType, sdtPcl);
  EXPECT_EQ(j.Document.View(), u"Budget.xlsx");
  EXPECT_FALSE(j.Has(jfTitleAdded));
  EXPECT_EQ(j.PaperSize, 0);
  EXPECT_EQ(j.PaperWidth, 2100);
  EXPECT_EQ(j.PaperLength, 2970);
  EXPECT_TRUE(j.Has(jfPaperFixed));
  EXPECT_FALSE(j.Has(jfParseRequested));

  // PostScript: the header scan raises copies and pages, adds the title,
  // says simplex.
  j = Live(u"Laser", ps);
  EXPECT_EQ(j.Copies, 2);
  EXPECT_EQ(j.TotalPages, 4u);
  EXPECT_EQ(j.Document.View(), u"report.ps (Quarterly Report)");
  EXPECT_TRUE(j.Has(jfTitleAdded));
  EXPECT_TRUE(j.Attributes & jaSimplex);
  EXPECT_FALSE(j.Attributes & jaDuplex);

  // TEXT: not captured, at least one page and one copy.
  j = Live(u"Laser", text);
  EXPECT_EQ(j.DataType, sdtText);
  EXPECT_EQ(j.Copies, 1);
  EXPECT_EQ(j.TotalPages, 1u);
}

TEST_F(ParseRequests, OnlyWordEmfJobsAreCaptured) {
  test::TEmfSpoolFile f;
  f.DevMode(1, 1).Page().DevMode(3, 1).Page();
  const uint32_t word =
      Add(u"Laser", u"Microsoft Word - Letter.docx", u"NT EMF 1.008", f.Bytes(), 1, 2);
  const uint32_t other =
      Add(u"Laser", u"Letter from Microsoft Word", u"NT EMF 1.008", f.Bytes(), 1, 2);
  Watch(u"Laser");
  ASSERT_TRUE(WaitAnalysed(u"Laser", word));
  ASSERT_TRUE(WaitAnalysed(u"Laser", other));
  // Copies from the device mode between page 1 and 2.
  EXPECT_EQ(Live(u"Laser", word).Copies, 3);
  EXPECT_EQ(Live(u"Laser", word).DataType, sdtNtEmf);
  EXPECT_EQ(Live(u"Laser", other).Copies, 1);
}

TEST_F(ParseRequests, RequestForAPrinterNoLongerShownRestoresTheJob) {
  SetSelectedPrinter(u"Inkjet");
  const uint32_t id = Add(u"Laser", u"Budget.xlsx", u"RAW", Fixture("pcl-pjl-copies.prn"));
  Watch(u"Laser");
  ASSERT_TRUE(test::WaitUntil([&] { return Live(u"Laser", id).JobId == id; }));
  WithLiveJob(u"Laser", id, [](TQueueJob& job) { job.Flags |= jfParseRequested; });
  auto request = std::make_unique<TParseRequest>();
  std::fill_n(request->PrinterName, 261, u'\0');
  std::copy_n(u"Laser", 5, request->PrinterName);
  request->Job = Live(u"Laser", id);
  HandleRequest(std::move(request));
  const TQueueJob j = Live(u"Laser", id);
  EXPECT_FALSE(j.Has(jfParseRequested) || j.Has(jfParsing) || j.Has(jfAnalysed));
  EXPECT_EQ(j.Copies, 1);
  EXPECT_EQ(j.DataType, sdtRaw);
}

ssize_t FailingWrite(int, const void*, size_t) {
  return 0;
}

TEST_F(ParseRequests, FailedCaptureEndsAnalysedWithTheSpoolersValues) {
  SetCaptureWriteFn(FailingWrite);
  const uint32_t id = Add(u"Laser", u"Budget.xlsx", u"RAW", Fixture("pcl-pjl-copies.prn"), 2, 5);
  const uint32_t none = Add(u"Laser", u"Empty", u"RAW", "x", 0, 0);
  Watch(u"Laser");
  ASSERT_TRUE(WaitAnalysed(u"Laser", id));
  ASSERT_TRUE(WaitAnalysed(u"Laser", none));
  TQueueJob j = Live(u"Laser", id);
  EXPECT_EQ(j.Copies, 2);
  EXPECT_EQ(j.TotalPages, 5u);
  EXPECT_EQ(j.DataType, sdtRaw);
  EXPECT_FALSE(j.Has(jfParsing) || j.Has(jfParseRequested) || j.Has(jfPaperFixed));
  j = Live(u"Laser", none);
  EXPECT_EQ(j.Copies, 1);
  EXPECT_EQ(j.TotalPages, 1u);
}

TEST_F(ParseRequests, OnePrintersJobsWaitForItsLock) {
  const std::u16string name = PrinterLockName(u"Laser");
  std::optional<TNameLock> held(std::in_place, name);
  const uint32_t a = Add(u"Laser", u"A", u"RAW", "@PJL\r\n");
  const uint32_t b = Add(u"Laser", u"B", u"RAW", "@PJL\r\n");
  Watch(u"Laser");
  // Both requests wait at the printer's lock, neither job marked yet.
  ASSERT_TRUE(test::WaitUntil([&] { return TNameLock::Waiting(name) == 2; }));
  EXPECT_FALSE(Live(u"Laser", a).Has(jfParsing));
  EXPECT_FALSE(Live(u"Laser", b).Has(jfParsing));
  held.reset();
  ASSERT_TRUE(WaitAnalysed(u"Laser", a));
  ASSERT_TRUE(WaitAnalysed(u"Laser", b));
}

TEST_F(ParseRequests, JobArrivingWhileARefreshIsPendingIsAnalysedOnceSpooled) {
  // Each analysis asks the watcher for a refresh; a job that arrives before
  // the watcher has taken it must still be asked for when it has spooled.
  Watch(u"Laser");
  for (int round = 0; round < 10; ++round) {
    TJobInfo j;
    j.Document = u"Next";
    j.DataType = u"TEXT";
    j.Status = jsSpooling;
    const uint32_t id = spooler->AddJob(u"Laser", j, "text");
    ASSERT_TRUE(test::WaitUntil([&] { return Live(u"Laser", id).JobId == id; }));
    spooler->UpdateJob(u"Laser", id, [](TJobInfo& job) { job.Status = 0; });
    ASSERT_TRUE(WaitAnalysed(u"Laser", id)) << "round " << round;
  }
}

TEST_F(ParseRequests, NameLockSerialisesAndGivesUpAfterItsWaits) {
  TNameLock::SetWaits(2, 5);
  const TNameLock first(u"_\\srv_p");
  EXPECT_TRUE(first.Owned());
  const TNameLock second(u"_\\srv_p");  // two short waits, then on without it
  EXPECT_FALSE(second.Owned());
  const TNameLock other(u"Other");
  EXPECT_TRUE(other.Owned());
  EXPECT_EQ(PrinterLockName(u"\\\\srv\\p"), u"__srv_p");
}

}  // namespace
}  // namespace ostrovel
