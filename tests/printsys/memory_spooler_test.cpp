// The in-process spooler's scripting: failures on demand, lost changes,
// renames, deletions and servers.
#include <gtest/gtest.h>

#include "spooler_rig.h"
#include "uMemorySpooler.h"
#include "uProcs.h"

namespace ostrovel::test {
namespace {

const TNotifyOptions kOptions{0, {pfPrinterName, pfStatus, pfJobCount}, {jfStatus, jfDocument}};

class MemorySpooler : public ::testing::Test {
 protected:
  void SetUp() override {
    TPrinterInfo p;
    p.Name = u"Laser";
    spooler.AddPrinter(p);
  }
  std::unique_ptr<TPrinterHandle> Open(std::u16string_view name = u"Laser") {
    return std::move(spooler.OpenPrinter(name, paAll).Value);
  }
  TMemorySpooler spooler;
};

TEST_F(MemorySpooler, GrantDecidesWhichOpenSucceeds) {
  struct Case {
    TMemoryGrant grant;
    uint32_t all, def, use;
  } cases[] = {
      {TMemoryGrant::Full, seNone, seNone, seNone},
      {TMemoryGrant::Default, seAccessDenied, seNone, seNone},
      {TMemoryGrant::UseOnly, seAccessDenied, seAccessDenied, seNone},
      {TMemoryGrant::None, seAccessDenied, seAccessDenied, seAccessDenied},
  };
  for (const auto& c : cases) {
    spooler.SetGrant(u"Laser", c.grant);
    EXPECT_EQ(spooler.OpenPrinter(u"Laser", paAll).Error, c.all);
    EXPECT_EQ(spooler.OpenPrinter(u"Laser", paDefault).Error, c.def);
    EXPECT_EQ(spooler.OpenPrinter(u"Laser", paUse).Error, c.use);
  }
  spooler.SetGrant(u"Laser", TMemoryGrant::Full);
  spooler.FailOpen(u"Laser", seServerUnavailable);
  EXPECT_EQ(spooler.OpenPrinter(u"laser", paUse).Error, seServerUnavailable);
}

TEST_F(MemorySpooler, OnlyFullAccessMayChangeThePrinter) {
  auto h = std::move(spooler.OpenPrinter(u"Laser", paDefault).Value);
  EXPECT_EQ(h->ControlPrinter(pcPause), seAccessDenied);
  EXPECT_EQ(h->DeletePrinter(), seAccessDenied);
  EXPECT_EQ(Open()->ControlPrinter(pcPause), seNone);
}

TEST_F(MemorySpooler, BrokenHandlesStopAnsweringAndReopenWorks) {
  auto h = Open();
  auto n = std::move(h->WatchChanges(chAll, kOptions).Value);
  spooler.BreakHandles(u"Laser");
  EXPECT_EQ(h->QueryPrinterSize().Error, seInvalidHandle);
  EXPECT_EQ(h->GetPrinter().Error, seInvalidHandle);
  EXPECT_EQ(n->Next(0).Error, seInvalidHandle);
  EXPECT_EQ(Open()->QueryPrinterSize().Error, seInsufficientBuffer);
}

TEST_F(MemorySpooler, WatchCanBeMadeToFail) {
  spooler.FailWatch(u"Laser", true);
  EXPECT_NE(Open()->WatchChanges(chAll, kOptions).Error, seNone);
  spooler.FailWatch(u"Laser", false);
  EXPECT_EQ(Open()->WatchChanges(chAll, kOptions).Error, seNone);
}

TEST_F(MemorySpooler, LostChangesGiveADiscardedBatchThenRefreshHasAll) {
  auto h = Open();
  auto n = std::move(h->WatchChanges(chAll, kOptions).Value);
  const uint32_t a = spooler.AddJob(u"Laser", TJobInfo{});
  spooler.DiscardPending(u"Laser");
  const uint32_t b = spooler.AddJob(u"Laser", TJobInfo{});

  auto r = n->Next(0);
  ASSERT_EQ(r.Error, seNone);
  ASSERT_TRUE(r.Value.Info);
  EXPECT_EQ(r.Value.Info->Flags, kNotifyDiscarded);
  EXPECT_TRUE(r.Value.Info->Items.empty());

  r = n->Next(kNotifyRefresh);
  ASSERT_TRUE(r.Value.Info);
  EXPECT_EQ(r.Value.Info->Flags, 0u);
  int jobs = 0;
  for (const auto& i : r.Value.Info->Items)
    if (i.Type == TNotifyType::Job && i.Field == jfStatus) jobs += (i.Id == a || i.Id == b);
  EXPECT_EQ(jobs, 2);
}

TEST_F(MemorySpooler, TooManyPendingItemsAreDiscarded) {
  spooler.SetMaxPendingItems(3);
  auto n = std::move(Open()->WatchChanges(chAll, kOptions).Value);
  spooler.AddJob(u"Laser", TJobInfo{});  // a job count item, status and document
  spooler.AddJob(u"Laser", TJobInfo{});
  EXPECT_EQ(n->Next(0).Value.Info->Flags, kNotifyDiscarded);
}

TEST_F(MemorySpooler, OnlyChangedFieldsAreReported) {
  TJobInfo doc;
  doc.Document = u"Doc";
  const uint32_t id = spooler.AddJob(u"Laser", doc);
  auto n = std::move(Open()->WatchChanges(chAll, kOptions).Value);
  EXPECT_FALSE(WaitSignalled(n->WaitFd()));
  spooler.UpdateJob(u"Laser", id, [](TJobInfo& j) { j.Status = jsPrinting; });
  EXPECT_TRUE(WaitSignalled(n->WaitFd()));
  auto r = n->Next(0).Value;
  EXPECT_FALSE(WaitSignalled(n->WaitFd()));  // the read took what was pending
  EXPECT_EQ(r.Change, static_cast<uint32_t>(chSetJob));
  ASSERT_EQ(r.Info->Items.size(), 1u);
  EXPECT_EQ(r.Info->Items[0].Field, jfStatus);
  EXPECT_EQ(std::get<uint32_t>(r.Info->Items[0].Value), static_cast<uint32_t>(jsPrinting));
  // Nothing pending: no data.
  EXPECT_FALSE(n->Next(0).Value.Info);
}

TEST_F(MemorySpooler, RemovedJobReportsDeletedStatusAndMovesTheOthersUp) {
  const uint32_t a = spooler.AddJob(u"Laser", TJobInfo{});
  const uint32_t b = spooler.AddJob(u"Laser", TJobInfo{});
  TNotifyOptions options = kOptions;
  options.JobFields.push_back(jfPosition);
  auto n = std::move(Open()->WatchChanges(chAll, options).Value);
  spooler.RemoveJob(u"Laser", a);
  auto r = n->Next(0).Value;
  EXPECT_NE(r.Change & chDeleteJob, 0u);
  bool deleted = false, moved = false;
  for (const auto& i : r.Info->Items) {
    if (i.Id == a && i.Field == jfStatus) deleted = std::get<uint32_t>(i.Value) & jsDeleted;
    if (i.Id == b && i.Field == jfPosition) moved = std::get<uint32_t>(i.Value) == 1;
  }
  EXPECT_TRUE(deleted);
  EXPECT_TRUE(moved);
}

TEST_F(MemorySpooler, RenameReportsTheShortNameAndDeleteTheDeletedBit) {
  TPrinterInfo remote;
  remote.Name = u"\\\\srv\\Ink";
  spooler.AddPrinter(remote);
  auto h = Open(u"\\\\srv\\Ink");
  ASSERT_TRUE(h);
  auto n = std::move(h->WatchChanges(chAll, kOptions).Value);
  ASSERT_TRUE(spooler.RenamePrinter(u"\\\\srv\\Ink", u"\\\\srv\\Colour"));
  auto r = n->Next(0).Value;
  ASSERT_EQ(r.Info->Items.size(), 1u);
  EXPECT_EQ(std::get<std::u16string>(r.Info->Items[0].Value), u"Colour");

  ASSERT_TRUE(spooler.RemovePrinter(u"\\\\srv\\Colour"));
  r = n->Next(0).Value;
  EXPECT_NE(r.Change & chDeletePrinter, 0u);
  ASSERT_TRUE(r.Info);
  EXPECT_EQ(r.Info->Items[0].Type, TNotifyType::Printer);
  EXPECT_EQ(h->GetPrinter().Error, seInvalidHandle);
}

TEST_F(MemorySpooler, LocalServerRegistrationHearsOfAddedPrinters) {
  EXPECT_EQ(spooler.OpenPrinter(u"\\\\nowhere", paDefault).Error, seInvalidPrinterName);
  auto server = std::move(spooler.OpenPrinter(u"", paDefault).Value);
  ASSERT_TRUE(server);
  auto n = std::move(server->WatchChanges(chAll, TNotifyOptions{0, {pfPrinterName}, {}}).Value);
  TPrinterInfo p;
  p.Name = u"New";
  spooler.AddPrinter(p);
  auto r = n->Next(0).Value;
  EXPECT_NE(r.Change & chAddPrinter, 0u);
  ASSERT_TRUE(r.Info);
  EXPECT_EQ(std::get<std::u16string>(r.Info->Items[0].Value), u"New");

  auto local = spooler.EnumPrinters(peName, u"\\\\LOCALHOST", 2).Value;
  ASSERT_EQ(local.size(), 2u);
  EXPECT_EQ(local[1].Name, u"\\\\LOCALHOST\\New");
}

}  // namespace
}  // namespace ostrovel::test
