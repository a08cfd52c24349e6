// The printer operations over the in-process spooler.
#include <gtest/gtest.h>

#include "uMemorySpooler.h"
#include "uProcs.h"

namespace ostrovel {
namespace {

class ProcsPrinters : public ::testing::Test {
 protected:
  void SetUp() override {
    spooler = std::make_shared<TMemorySpooler>(u"HERE");
    for (const char16_t* name : {u"Laser", u"Ink", u"\\\\srv\\Shared", u"\\\\far\\Plotter"}) {
      TPrinterInfo p;
      p.Name = name;
      spooler->AddPrinter(p);
    }
    SetSpooler(spooler);
  }
  void TearDown() override {
    SetSpooler(nullptr);
    SetCommandRunner(nullptr);
  }
  std::shared_ptr<TMemorySpooler> spooler;
};

TEST_F(ProcsPrinters, ListsLocalPrintersConnectionsAndAComputersPrinters) {
  std::vector<std::u16string> list;
  ASSERT_TRUE(GetPrinters(list, peLocal | peConnections));
  EXPECT_EQ(list, (std::vector<std::u16string>{u"Laser", u"Ink", u"\\\\srv\\Shared",
                                               u"\\\\far\\Plotter"}));
  ASSERT_TRUE(GetPrinters(list, peLocal));
  EXPECT_EQ(list, (std::vector<std::u16string>{u"Laser", u"Ink"}));
  ASSERT_TRUE(GetPrinters(u"srv", list));
  EXPECT_EQ(list, std::vector<std::u16string>{u"\\\\srv\\Shared"});
  EXPECT_FALSE(GetPrinters(u"nowhere", list));
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(IsPrinterConnected(u"srv", u"\\\\srv\\shared"));
  EXPECT_FALSE(IsPrinterConnected(u"HERE", u"Laser"));  // a printer, not a connection
  EXPECT_FALSE(IsPrinterConnected(u"nowhere", u"x"));
}

TEST_F(ProcsPrinters, DefaultPrinterAndInformation) {
  EXPECT_EQ(GetDefaultPrinterName(), u"");
  ASSERT_TRUE(SetDefaultPrinter(u"Ink"));
  EXPECT_EQ(GetDefaultPrinterName(), u"Ink");
  EXPECT_FALSE(SetDefaultPrinter(u"Missing"));
  const auto info = GetPrinterInfo(u"Ink");
  ASSERT_TRUE(info);
  EXPECT_NE(info->Attributes & patDefault, 0u);
  EXPECT_FALSE(GetPrinterInfo(u"Missing"));
}

TEST_F(ProcsPrinters, OpenFallsBackOnlyWhenAccessIsDenied) {
  spooler->SetGrant(u"Laser", TMemoryGrant::UseOnly);
  auto h = OpenPrinterFallback(u"Laser");
  ASSERT_EQ(h.Error, seNone);
  EXPECT_TRUE(PrinterHandleAlive(*h.Value));
  spooler->BreakHandles(u"Laser");
  EXPECT_FALSE(PrinterHandleAlive(*h.Value));

  spooler->SetGrant(u"Laser", TMemoryGrant::None);
  EXPECT_EQ(OpenPrinterFallback(u"Laser").Error, seAccessDenied);
  spooler->SetGrant(u"Laser", TMemoryGrant::Full);
  spooler->FailOpen(u"Laser", seServerUnavailable);  // not a denial: no further tries
  EXPECT_EQ(OpenPrinterFallback(u"Laser").Error, seServerUnavailable);
}

TEST_F(ProcsPrinters, OfflineIsWrittenOnlyWhenItChanges) {
  EXPECT_FALSE(SetPrinterOffline(u"Laser", false));
  EXPECT_EQ(spooler->SetPrinterCalls(), 0);
  EXPECT_TRUE(SetPrinterOffline(u"Laser", true));
  EXPECT_NE(GetPrinterInfo(u"Laser")->Attributes & patWorkOffline, 0u);
  EXPECT_FALSE(SetPrinterOffline(u"Laser", true));
  EXPECT_EQ(spooler->SetPrinterCalls(), 1);
  EXPECT_TRUE(SetPrinterOffline(u"Laser", false));
  spooler->SetGrant(u"Ink", TMemoryGrant::Default);
  EXPECT_FALSE(SetPrinterOffline(u"Ink", true));
}

TEST_F(ProcsPrinters, DeleteReportsWhyItFailed) {
  std::u16string why = u"old";
  EXPECT_FALSE(DeletePrinterByName(u"Missing", &why));
  EXPECT_TRUE(why.empty());  // the open failed: nothing to tell
  EXPECT_TRUE(DeletePrinterByName(u"Ink", &why));
  EXPECT_FALSE(GetPrinterInfo(u"Ink"));
}

TEST_F(ProcsPrinters, PaperNamesComeFromTheServersForms) {
  spooler->SetForms({{u"Letter", 215900, 279400}, {u"A4", 210000, 297000}});
  const TFormLookup forms = SpoolerFormLookup();
  EXPECT_EQ(PaperSizeName(2, 2100, 2970, forms), u"A4");
  EXPECT_EQ(PaperSizeName(2, 0, 0, forms), u"A4");
  EXPECT_EQ(PaperSizeName(2, 2000, 2970, forms), u"200 x 297 mm");
  EXPECT_EQ(PaperSizeName(3, 2100, 2970, forms), u"210 x 297 mm");  // past the last form
  SetSpooler(nullptr);
  EXPECT_EQ(PaperSizeName(1, 2159, 2794, SpoolerFormLookup()), u"215 x 279 mm");
}

TEST_F(ProcsPrinters, UserInterfaceCommandLinesAreExact) {
  struct Case {
    TPrinterUi op;
    const char16_t* name;
    const char16_t* line;
  } cases[] = {
      {TPrinterUi::OpenQueue, u"\\\\srv\\P 1",
       u"rundll32.exe printui.dll,PrintUIEntry /o /n\"\\\\srv\\P 1\""},
      {TPrinterUi::Pause, u"P", u"rundll32.exe printui.dll,PrintUIEntry /Xs /n\"P\" status pause"},
      {TPrinterUi::Resume, u"P",
       u"rundll32.exe printui.dll,PrintUIEntry /Xs /n\"P\" status resume"},
      {TPrinterUi::Purge, u"P", u"rundll32.exe printui.dll,PrintUIEntry /Xs /n\"P\" status purge"},
      {TPrinterUi::AddPrinter, u"HOST",
       u"rundll32.exe printui.dll,PrintUIEntry /il /c\"\\\\HOST\""},
      {TPrinterUi::Connect, u"P", u"rundll32.exe printui.dll,PrintUIEntry /in /n\"P\""},
      {TPrinterUi::Properties, u"P", u"rundll32.exe printui.dll,PrintUIEntry /p /n\"P\""},
      {TPrinterUi::ServerProperties, u"HOST",
       u"rundll32.exe printui.dll,PrintUIEntry /s /c\"\\\\HOST\""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PrinterUiCommandLine(c.op, c.name), c.line) << static_cast<int>(c.op);

  std::vector<std::tuple<std::u16string, int, bool>> runs;
  SetCommandRunner([&](const std::u16string& line, int show, bool wait) {
    runs.emplace_back(line, show, wait);
    return true;
  });
  EXPECT_TRUE(AddPrinterWizard(u"HOST"));
  EXPECT_TRUE(ConnectPrinterDialog(u"P"));
  EXPECT_TRUE(PausePrinting(u"P"));
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0], std::make_tuple(std::u16string(cases[4].line), 1, false));
  EXPECT_EQ(runs[1], std::make_tuple(std::u16string(cases[5].line), 0, true));
  EXPECT_EQ(runs[2], std::make_tuple(std::u16string(cases[1].line), 0, false));
}

TEST_F(ProcsPrinters, PauseResumeAndPurgeLinesActOnTheSpooler) {
  spooler->AddJob(u"Laser", TJobInfo{});
  EXPECT_TRUE(PausePrinting(u"Laser"));
  EXPECT_NE(GetPrinterInfo(u"Laser")->Status & psPaused, 0u);
  EXPECT_TRUE(ResumePrinting(u"Laser"));
  EXPECT_EQ(GetPrinterInfo(u"Laser")->Status & psPaused, 0u);
  EXPECT_TRUE(PurgePrinter(u"Laser"));
  EXPECT_EQ(GetPrinterInfo(u"Laser")->JobCount, 0u);
  EXPECT_FALSE(PausePrinting(u"Missing"));
  // The in-process spooler has no pages to show.
  EXPECT_FALSE(OpenQueueWindow(u"Laser"));
}

}  // namespace
}  // namespace ostrovel
