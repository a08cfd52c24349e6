// What only the CUPS backend does: reading states and reasons, printers of
// "another computer", printing periods, lost events and server changes.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "private_cupsd.h"
#include "spooler_rig.h"
#include "uCupsSpooler.h"
#include "uCupsStatus.h"
#include "uText.h"

namespace ostrovel::test {

TPrivateCupsd& Cupsd();

namespace {

TEST(CupsStatus, StatesAndReasonsReadAsStatusBits) {
  struct Case {
    int state;
    std::vector<std::string> reasons;
    uint32_t bits;
  } cases[] = {
      {3, {"none"}, 0},
      {4, {}, psPrinting},
      {5, {"paused"}, psPaused},
      {3, {"media-empty-error"}, psPaperOut | psUserIntervention | psError},
      {3, {"media-needed-warning"}, psPaperOut | psUserIntervention},
      {3, {"media-jam-error"}, psPaperJam | psUserIntervention | psError},
      {3,
       {"toner-low-report", "marker-supply-empty-warning"},
       psTonerLow | psNoToner | psUserIntervention},
      {3, {"cover-open"}, psDoorOpen | psUserIntervention},
      {3, {"offline-report"}, psOffline},
      {3, {"timed-out"}, psOffline},
      {3, {"connecting-to-device"}, psWaiting},
      {3, {"input-manual-input-request"}, psManualFeed},
      {3, {"input-tray-missing", "media-low"}, psPaperProblem},
      {3, {"output-area-full-warning"}, psOutputBinFull},
      {3, {"something-new-error"}, psError},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CupsPrinterStatus(c.state, c.reasons), c.bits) << c.reasons.size();
}

TEST(CupsStatus, JobStatesReadAsStatusBits) {
  struct Case {
    int state;
    std::vector<std::string> reasons, printerReasons;
    uint32_t bits;
  } cases[] = {
      {3, {"none"}, {}, 0},
      {4, {"job-hold-until-specified"}, {}, jsPaused},
      {4, {"job-incoming"}, {}, jsSpooling},
      {5, {"job-printing"}, {"none"}, jsPrinting},
      {5, {}, {"media-empty-error"}, jsPrinting | jsPaperOut},
      {5, {}, {"offline-report"}, jsPrinting | jsOffline},
      {5, {"processing-to-stop-point"}, {}, jsPrinting | jsDeleting},
      {6, {}, {}, jsError},
      {7, {}, {}, jsDeleted},
      {8, {}, {}, jsError},
      {9, {}, {}, jsPrinted},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CupsJobStatus(c.state, c.reasons, c.printerReasons), c.bits) << c.state;
}

// Sets printer-state-reasons as a backend reporting faults would.
void SetReasons(const std::string& printer, const std::vector<const char*>& reasons) {
  http_t* http = httpConnect2(Cupsd().Socket().c_str(), 0, nullptr, AF_UNSPEC,
                              HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
  ASSERT_TRUE(http);
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
  char uri[256];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", printer.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddStrings(request, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "printer-state-reasons",
                static_cast<int>(reasons.size()), nullptr, reasons.data());
  ippDelete(cupsDoRequest(http, request, "/admin/"));
  EXPECT_LT(cupsLastError(), IPP_STATUS_REDIRECTION_OTHER_SITE) << cupsLastErrorString();
  httpClose(http);
}

TEST(CupsBackend, PrinterFaultsShowInTheStatus) {
  const auto name = Rig().AddPrinter("faultq");
  SetReasons("faultq",
             {"media-empty-error", "toner-low-warning", "door-open-error", "offline-report"});
  auto h = std::move(Rig().Spooler().OpenPrinter(name, paDefault).Value);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->GetPrinter().Value.Status,
            static_cast<uint32_t>(psPaperOut | psUserIntervention | psError | psTonerLow |
                                  psDoorOpen | psOffline));
}

TEST(CupsBackend, PrintersOfThisComputerByItsName) {
  const auto name = Rig().AddPrinter("namedq");
  auto list = Rig().Spooler().EnumPrinters(peName, u"\\\\TESTHOST", 2);
  ASSERT_EQ(list.Error, seNone);
  EXPECT_TRUE(std::any_of(list.Value.begin(), list.Value.end(), [](const TPrinterInfo& p) {
    return p.Name == u"\\\\TESTHOST\\namedq" && p.ServerName == u"\\\\TESTHOST";
  }));
  auto h = Rig().Spooler().OpenPrinter(u"\\\\TESTHOST\\namedq", paAll);
  ASSERT_EQ(h.Error, seNone);
  EXPECT_EQ(h.Value->GetPrinter().Value.Name, u"\\\\TESTHOST\\namedq");
  EXPECT_EQ(Rig().Spooler().OpenPrinter(u"namedq,Job 99999", paDefault).Error,
            seInvalidPrinterName);
  for (const char16_t* bad : {u"../admin", u"a b", u"q#1", u"\\\\TESTHOST\\x/y"})
    EXPECT_EQ(Rig().Spooler().OpenPrinter(bad, paDefault).Error, seInvalidPrinterName)
        << WideToUtf8(bad);
}

TEST(CupsBackend, RefusedOperationsReadAsAccessDeniedWithoutAPrompt) {
  const auto name = Rig().AddPrinter("guardedq");
  // Over TCP without the scheduler's local certificate this client is nobody
  // special: it may look, but not pause.
  TCupsSpooler outsider("127.0.0.1:" + std::to_string(Cupsd().Port()), u"TESTHOST");
  auto h = outsider.OpenPrinter(name, paAll);
  ASSERT_EQ(h.Error, seNone);
  EXPECT_EQ(h.Value->GetPrinter().Value.Name, name);
  EXPECT_EQ(h.Value->ControlPrinter(pcPause), seAccessDenied);
}

TEST(CupsBackend, PrintingPeriodHoldsTheJobUntilItsStart) {
  const auto name = Rig().AddPrinter("periodq");
  auto h = std::move(Rig().Spooler().OpenPrinter(name, paAll).Value);
  ASSERT_EQ(h->ControlPrinter(pcPause), seNone);
  const uint32_t id = Rig().SubmitHeld(name, "Later", "x");
  ASSERT_EQ(h->SetJob(id, nullptr, jcResume), seNone);

  TJobInfo job = h->GetJob(id).Value;
  job.StartTime = 22 * 60 + 30;
  job.UntilTime = 23 * 60;
  job.NotifyName = u"anna";
  ASSERT_EQ(h->SetJob(id, &job, jcNone), seNone);
  job = h->GetJob(id).Value;
  EXPECT_EQ(job.StartTime, 22u * 60 + 30);
  EXPECT_EQ(job.UntilTime, 23u * 60);
  EXPECT_EQ(job.NotifyName, u"anna");
  EXPECT_EQ(job.Status, static_cast<uint32_t>(jsPaused));

  job.StartTime = job.UntilTime = 0;  // no restriction: released
  ASSERT_EQ(h->SetJob(id, &job, jcNone), seNone);
  job = h->GetJob(id).Value;
  EXPECT_EQ(job.StartTime, 0u);
  EXPECT_EQ(job.Status, 0u);
}

TEST(CupsBackend, ServerRegistrationHearsOfANewPrinter) {
  auto server = std::move(Rig().Spooler().OpenPrinter(u"", paDefault).Value);
  ASSERT_TRUE(server);
  EXPECT_EQ(server->QueryPrinterSize().Error, seInsufficientBuffer);
  auto reg = server->WatchChanges(chAll, TNotifyOptions{0, {pfPrinterName, pfStatus}, {}});
  ASSERT_EQ(reg.Error, seNone);
  Rig().AddPrinter("lateq");
  auto r =
      ReadUntil(*reg.Value, [](const TChangeRead& a) { return (a.Change & chAddPrinter) != 0; });
  EXPECT_NE(r.Change & chAddPrinter, 0u);
  EXPECT_TRUE(std::any_of(r.Info->Items.begin(), r.Info->Items.end(), [](const TNotifyItem& i) {
    return i.Field == pfPrinterName && std::get<std::u16string>(i.Value) == u"lateq";
  }));
}

TEST(CupsBackend, DeletedPrinterEndsWithTheDeletedBit) {
  const auto name = Rig().AddPrinter("goneq");
  auto h = std::move(Rig().Spooler().OpenPrinter(name, paAll).Value);
  auto reg = h->WatchChanges(chAll, TNotifyOptions{0, {pfStatus}, {jfStatus}});
  ASSERT_EQ(reg.Error, seNone);
  ASSERT_EQ(h->DeletePrinter(), seNone);
  auto r =
      ReadUntil(*reg.Value, [](const TChangeRead& a) { return (a.Change & chDeletePrinter) != 0; });
  EXPECT_NE(r.Change & chDeletePrinter, 0u);
  ASSERT_FALSE(r.Info->Items.empty());
  EXPECT_EQ(r.Info->Items.back().Type, TNotifyType::Printer);
  EXPECT_NE(h->QueryPrinterSize().Error, seInsufficientBuffer);
}

TEST(CupsBackend, EventsTheSchedulerDroppedGiveADiscardedBatch) {
  // A second scheduler that keeps only five events per subscription, asked
  // rarely enough that eight changes come between two questions. The tools
  // of the other tests go to the first scheduler again afterwards.
  struct TRestore {
    ~TRestore() { setenv("CUPS_SERVER", Cupsd().Socket().c_str(), 1); }
  } restore;
  TPrivateCupsd small;
  ASSERT_TRUE(small.Start("MaxEvents 5\n")) << small.Error();
  TCupsSpooler spooler(small.Socket(), u"TESTHOST");
  spooler.SetPollInterval(std::chrono::seconds(3));
  ASSERT_TRUE(small.Run({"lpadmin", "-p", "busyq", "-E", "-v", "file:///dev/null"}));
  auto h = std::move(spooler.OpenPrinter(u"busyq", paAll).Value);
  ASSERT_TRUE(h);
  auto reg = h->WatchChanges(chAll, TNotifyOptions{0, {pfJobCount}, {jfStatus}});
  ASSERT_EQ(reg.Error, seNone);
  const std::string file = "/tmp/ostrovel-busy-" + std::to_string(getpid()) + ".prn";
  std::ofstream(file) << "data";
  for (int i = 0; i < 8; ++i)
    ASSERT_TRUE(small.Run({"lp", "-d", "busyq", "-o", "raw", "-H", "hold", file}));
  std::remove(file.c_str());

  auto r = ReadUntil(*reg.Value, [](const TChangeRead& a) { return a.Info->Flags != 0; });
  EXPECT_EQ(r.Info->Flags, kNotifyDiscarded);
  auto refresh = reg.Value->Next(kNotifyRefresh);
  ASSERT_EQ(refresh.Error, seNone);
  ASSERT_TRUE(refresh.Value.Info);
  EXPECT_EQ(refresh.Value.Info->Items.size(), 9u);  // the job count and eight jobs
  EXPECT_EQ(std::get<uint32_t>(refresh.Value.Info->Items[0].Value), 8u);
}

TEST(CupsBackend, CancellingAllJobsIsSeenWithoutAnEvent) {
  const auto name = Rig().AddPrinter("purgeq");
  Rig().SubmitHeld(name, "A", "a");
  TCupsSpooler quick(Cupsd().Socket(), u"TESTHOST");
  quick.SetPollInterval(std::chrono::milliseconds(100));  // a quiet second reads again
  auto h = std::move(quick.OpenPrinter(name, paAll).Value);
  auto reg = h->WatchChanges(chAll, TNotifyOptions{0, {pfJobCount}, {jfStatus}});
  ASSERT_EQ(reg.Error, seNone);
  ASSERT_EQ(h->ControlPrinter(pcPurge), seNone);
  auto r =
      ReadUntil(*reg.Value, [](const TChangeRead& a) { return (a.Change & chDeleteJob) != 0; });
  EXPECT_NE(r.Change & chDeleteJob, 0u);
}

}  // namespace
}  // namespace ostrovel::test
