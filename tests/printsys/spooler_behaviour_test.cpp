// What every spooler backend must do alike. Runs once per backend rig.
#include <gtest/gtest.h>

#include <algorithm>

#include "spooler_rig.h"

namespace ostrovel::test {
namespace {

std::unique_ptr<TPrinterHandle> Open(const std::u16string& name, uint32_t access = paAll) {
  auto r = Rig().Spooler().OpenPrinter(name, access);
  EXPECT_EQ(r.Error, seNone);
  return std::move(r.Value);
}

bool HasItem(const TChangeRead& r, TNotifyType type, uint16_t field, uint32_t id = 0) {
  return r.Info && std::any_of(r.Info->Items.begin(), r.Info->Items.end(), [&](const auto& i) {
           return i.Type == type && i.Field == field && (id == 0 || i.Id == id);
         });
}

uint32_t ItemNumber(const TChangeRead& r, TNotifyType type, uint16_t field, uint32_t id = 0) {
  uint32_t last = 0;
  for (const auto& i : r.Info->Items)
    if (i.Type == type && i.Field == field && (id == 0 || i.Id == id))
      last = std::get<uint32_t>(i.Value);
  return last;
}

const TNotifyOptions kOptions{0,
                              {pfPrinterName, pfPortName, pfAttributes, pfStatus, pfJobCount},
                              {jfMachineName, jfUserName, jfStatus, jfDocument, jfDataType,
                               jfPriority, jfPosition, jfSubmitted, jfTotalBytes}};

TEST(SpoolerBehaviour, EnumeratesAndDescribesAPrinter) {
  const auto name = Rig().AddPrinter("enumq");
  auto list = Rig().Spooler().EnumPrinters(peLocal | peConnections, u"", 1);
  ASSERT_EQ(list.Error, seNone);
  EXPECT_TRUE(std::any_of(list.Value.begin(), list.Value.end(),
                          [&](const TPrinterInfo& p) { return p.Name == name; }));

  auto h = Open(name);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->QueryPrinterSize().Error, seInsufficientBuffer);
  auto info = h->GetPrinter();
  ASSERT_EQ(info.Error, seNone);
  EXPECT_EQ(info.Value.Name, name);
  EXPECT_EQ(info.Value.PortName, u"file:///dev/null");
  EXPECT_EQ(info.Value.Status, 0u);
  EXPECT_EQ(info.Value.JobCount, 0u);
  EXPECT_EQ(info.Value.Attributes & patWorkOffline, 0u);

  EXPECT_EQ(Rig().Spooler().OpenPrinter(u"no-such-queue", paDefault).Error, seInvalidPrinterName);
}

TEST(SpoolerBehaviour, HeldJobsAreListedInOrderAndReadBackByteForByte) {
  const auto name = Rig().AddPrinter("jobsq");
  std::string data = "\x1b%-12345X@PJL JOB\r\n";
  for (int i = 0; i < 70000; ++i) data += static_cast<char>(i * 7);  // spans several pieces
  const uint32_t first = Rig().SubmitHeld(name, "First", data);
  const uint32_t second = Rig().SubmitHeld(name, "Second", "tiny");
  ASSERT_NE(first, 0u);
  ASSERT_GT(second, first);

  auto h = Open(name);
  ASSERT_EQ(h->GetPrinter().Value.JobCount, 2u);
  auto at1 = h->EnumJobs(1, 1, 2);
  ASSERT_EQ(at1.Error, seNone);
  ASSERT_EQ(at1.Value.size(), 1u);
  EXPECT_EQ(at1.Value[0].JobId, second);
  EXPECT_EQ(at1.Value[0].Position, 2u);
  EXPECT_TRUE(h->EnumJobs(2, 1, 2).Value.empty());

  auto job = h->GetJob(first);
  ASSERT_EQ(job.Error, seNone);
  EXPECT_EQ(job.Value.Document, u"First");
  EXPECT_EQ(job.Value.UserName, u"root");
  EXPECT_EQ(job.Value.Status, jsPaused);
  EXPECT_EQ(job.Value.Position, 1u);
  EXPECT_GE(job.Value.Submitted.Year, 2024);

  auto jh = Open(name + u",Job " + W(std::to_string(first)), paDefault);
  ASSERT_TRUE(jh);
  std::string back;
  uint8_t buf[65536];
  for (;;) {
    auto r = jh->ReadPrinter(buf);
    ASSERT_EQ(r.Error, seNone);
    if (r.Value == 0) break;
    back.append(reinterpret_cast<char*>(buf), r.Value);
  }
  EXPECT_EQ(back, data);
}

TEST(SpoolerBehaviour, JobControlPausesResumesAndCancels) {
  const auto name = Rig().AddPrinter("controlq");
  auto h = Open(name);
  ASSERT_EQ(h->ControlPrinter(pcPause), seNone);  // released jobs must wait
  const uint32_t id = Rig().SubmitHeld(name, "Doc", "data");

  ASSERT_EQ(h->SetJob(id, nullptr, jcResume), seNone);
  EXPECT_TRUE(Eventually([&] { return (h->GetJob(id).Value.Status & jsPaused) == 0; }));
  ASSERT_EQ(h->SetJob(id, nullptr, jcPause), seNone);
  EXPECT_TRUE(Eventually([&] { return (h->GetJob(id).Value.Status & jsPaused) != 0; }));

  TJobInfo change = h->GetJob(id).Value;
  change.Priority = 80;
  change.Document = u"Renamed";
  ASSERT_EQ(h->SetJob(id, &change, jcNone), seNone);
  auto job = h->GetJob(id).Value;
  EXPECT_EQ(job.Priority, 80u);
  EXPECT_EQ(job.Document, u"Renamed");

  ASSERT_EQ(h->SetJob(id, nullptr, jcDelete), seNone);
  EXPECT_TRUE(Eventually([&] { return h->GetPrinter().Value.JobCount == 0; }));
  EXPECT_TRUE(h->EnumJobs(0, 1, 1).Value.empty());
}

TEST(SpoolerBehaviour, PrinterPauseOfflineAndPurge) {
  const auto name = Rig().AddPrinter("printerq");
  auto h = Open(name);
  ASSERT_EQ(h->ControlPrinter(pcPause), seNone);
  EXPECT_NE(h->GetPrinter().Value.Status & psPaused, 0u);
  ASSERT_EQ(h->ControlPrinter(pcResume), seNone);
  EXPECT_EQ(h->GetPrinter().Value.Status & psPaused, 0u);

  TPrinterInfo info = h->GetPrinter().Value;
  info.Attributes |= patWorkOffline;
  ASSERT_EQ(h->SetPrinter(info), seNone);
  EXPECT_NE(h->GetPrinter().Value.Attributes & patWorkOffline, 0u);
  info.Attributes &= ~patWorkOffline;
  ASSERT_EQ(h->SetPrinter(info), seNone);
  EXPECT_EQ(h->GetPrinter().Value.Attributes & patWorkOffline, 0u);

  Rig().SubmitHeld(name, "A", "a");
  Rig().SubmitHeld(name, "B", "b");
  ASSERT_EQ(h->ControlPrinter(pcPurge), seNone);
  EXPECT_TRUE(Eventually([&] { return h->GetPrinter().Value.JobCount == 0; }));
}

TEST(SpoolerBehaviour, DefaultPrinterRoundTrips) {
  const auto name = Rig().AddPrinter("defaultq");
  ASSERT_EQ(Rig().Spooler().SetDefaultPrinter(name), seNone);
  EXPECT_EQ(Rig().Spooler().GetDefaultPrinter().Value, name);
  auto h = Open(name);
  EXPECT_NE(h->GetPrinter().Value.Attributes & patDefault, 0u);
}

TEST(SpoolerBehaviour, DocumentPropertiesMergeTheJobsFieldsIntoTheDefaults) {
  const auto name = Rig().AddPrinter("propsq");
  TDevModeW in{};
  in.dmFields = dmfCopies | dmfDuplex;
  in.dmCopies = 3;
  in.dmDuplex = 2;
  in.dmColor = 2;  // not marked: the printer's value stays
  auto r = Rig().Spooler().DocumentProperties(name, &in);
  ASSERT_EQ(r.Error, seNone);
  EXPECT_EQ(r.Value.dmCopies, 3);
  EXPECT_EQ(r.Value.dmDuplex, 2);
  EXPECT_NE(r.Value.dmColor, 2);
  EXPECT_EQ(r.Value.dmFields & (dmfCopies | dmfDuplex), dmfCopies | dmfDuplex);
  EXPECT_EQ(Rig().Spooler().DocumentProperties(u"no-such-queue", &in).Error, seInvalidPrinterName);
}

TEST(SpoolerBehaviour, NotifiesJobAddedAndPrinterPaused) {
  const auto name = Rig().AddPrinter("notifyq");
  const uint32_t before = Rig().SubmitHeld(name, "Before", "x");
  auto h = Open(name);
  auto reg = h->WatchChanges(chAll, kOptions);
  ASSERT_EQ(reg.Error, seNone);
  TChangeNotification& n = *reg.Value;

  // A refresh read hands out the whole state.
  auto refresh = n.Next(kNotifyRefresh);
  ASSERT_EQ(refresh.Error, seNone);
  ASSERT_TRUE(refresh.Value.Info);
  EXPECT_EQ(ItemNumber(refresh.Value, TNotifyType::Printer, pfJobCount), 1u);
  EXPECT_TRUE(HasItem(refresh.Value, TNotifyType::Job, jfDocument, before));

  const uint32_t added = Rig().SubmitHeld(name, "Added", "y");
  auto r = ReadUntil(n, [&](const TChangeRead& a) {
    return HasItem(a, TNotifyType::Job, jfDocument, added) &&
           ItemNumber(a, TNotifyType::Printer, pfJobCount) == 2;
  });
  EXPECT_NE(r.Change & chAddJob, 0u);
  EXPECT_TRUE(HasItem(r, TNotifyType::Job, jfStatus, added));
  for (const auto& i : r.Info->Items) {
    if (i.Type == TNotifyType::Job && i.Field == jfDocument && i.Id == added) {
      EXPECT_EQ(std::get<std::u16string>(i.Value), u"Added");
    }
  }

  ASSERT_EQ(h->ControlPrinter(pcPause), seNone);
  r = ReadUntil(n, [](const TChangeRead& a) {
    return (ItemNumber(a, TNotifyType::Printer, pfStatus) & psPaused) != 0;
  });
  EXPECT_NE(ItemNumber(r, TNotifyType::Printer, pfStatus) & psPaused, 0u);
  EXPECT_NE(r.Change & chSetPrinter, 0u);
}

TEST(SpoolerBehaviour, ReleasedJobLeavesTheQueueWhenPrinted) {
  if (!Rig().PrintsJobs()) GTEST_SKIP() << "this spooler prints nothing by itself";
  const auto name = Rig().AddPrinter("printq");
  const uint32_t id = Rig().SubmitHeld(name, "Doc", "data");
  auto h = Open(name);
  auto reg = h->WatchChanges(chAll, kOptions);
  ASSERT_EQ(reg.Error, seNone);
  ASSERT_EQ(h->SetJob(id, nullptr, jcResume), seNone);
  auto r = ReadUntil(*reg.Value, [&](const TChangeRead& a) {
    return (ItemNumber(a, TNotifyType::Job, jfStatus, id) & (jsPrinted | jsDeleted)) != 0;
  });
  EXPECT_NE(ItemNumber(r, TNotifyType::Job, jfStatus, id) & (jsPrinted | jsDeleted), 0u);
  EXPECT_TRUE(Eventually([&] { return h->GetPrinter().Value.JobCount == 0; }));
}

}  // namespace
}  // namespace ostrovel::test
