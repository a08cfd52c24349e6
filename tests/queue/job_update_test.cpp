// How spooler information updates a job record.
#include <gtest/gtest.h>

#include "uJobUpdate.h"
#include "uProcs.h"
#include "uText.h"

namespace ostrovel {
namespace {

std::u16string Resolve(std::u16string_view name) { return u"host-" + std::u16string(name); }

class JobUpdate : public ::testing::Test {
 protected:
  void SetUp() override { SetHostResolver(Resolve); }
  void TearDown() override { SetHostResolver(nullptr); }
  TQueueJob job = ZeroJob();
};

TEST_F(JobUpdate, DataTypeCodes) {
  EXPECT_EQ(DataTypeCode(u"TEXT"), 1);
  EXPECT_EQ(DataTypeCode(u"text"), 1);
  EXPECT_EQ(DataTypeCode(u"NT EMF 1.008"), 2);
  EXPECT_EQ(DataTypeCode(u"nt emf 1.008"), 0);
  EXPECT_EQ(DataTypeCode(u"RAW"), 0);
  EXPECT_EQ(DataTypeCode(u""), 0);
}

TEST_F(JobUpdate, UserNamesWithAnAddress) {
  const struct {
    const char16_t* text;
    const char16_t* user;
    const char16_t* machine;
    bool fixed;
  } cases[] = {
      {u"anna (10.0.0.1)", u"anna", u"host-10.0.0.1", true},
      {u"anna (srv)", u"anna (srv)", u"", false},
      {u"anna (1.2.3.)", u"anna (1.2.3.)", u"", false},
      {u"bob", u"bob", u"", false},
  };
  for (const auto& c : cases) {
    TQueueJob j = ZeroJob();
    ParseUserName(j, c.text);
    EXPECT_EQ(j.User.View(), c.user) << WideToUtf8(c.text);
    EXPECT_EQ(j.Machine.View(), c.machine) << WideToUtf8(c.text);
    EXPECT_EQ(j.Has(jfUserFixed) && j.Has(jfMachineFixed), c.fixed) << WideToUtf8(c.text);
  }
  // Fixed names survive later spooler names.
  TQueueJob j = ZeroJob();
  ParseUserName(j, u"anna (10.0.0.1)");
  ApplyJobItem(j, {TNotifyType::Job, jfUserName, 1, std::u16string(u"other")});
  ApplyJobItem(j, {TNotifyType::Job, jfMachineName, 1, std::u16string(u"PC")});
  EXPECT_EQ(j.User.View(), u"anna");
  EXPECT_EQ(j.Machine.View(), u"host-10.0.0.1");
}

TEST_F(JobUpdate, DeviceModeNotification) {
  TDevModeW dm{};
  dm.dmCopies = 3;
  dm.dmColor = 1;
  dm.dmDuplex = 1;
  dm.dmOrientation = 2;
  dm.dmPrintQuality = -4;
  job.Copies = 2;
  job.Attributes = jaColour;
  ApplyJobItem(job, {TNotifyType::Job, jfDevMode, 1, dm});
  EXPECT_EQ(job.Copies, 2);  // only while 0
  EXPECT_EQ(job.Attributes, jaColour | jaMonochrome | jaSimplex | jaLandscape);
  EXPECT_EQ(job.Quality, -4);
}

TEST_F(JobUpdate, CountsThatNeverGoDown) {
  auto number = [&](uint16_t field, uint32_t n) { ApplyJobItem(job, {TNotifyType::Job, field, 1, n}); };
  number(jfTotalPages, 5);
  number(jfTotalPages, 3);
  number(jfTotalBytes, 900);
  number(jfTotalBytes, 100);
  number(jfPagesPrinted, 4);
  number(jfPagesPrinted, 2);
  EXPECT_EQ(job.TotalPages, 5u);
  EXPECT_EQ(job.Size, 900u);
  EXPECT_EQ(job.PagesPrinted, 2u);  // printed pages may go down from notifications

  TJobInfo info;
  info.JobId = 1;
  info.PagesPrinted = 1;
  info.BytesPrinted = 50;
  UpdateJobFromInfo(job, info);
  EXPECT_EQ(job.PagesPrinted, 2u);  // but not from the full read
  EXPECT_EQ(job.BytesPrinted, 0u);
}

TEST_F(JobUpdate, AnalysedValuesStand) {
  job.Flags = jfAnalysed | jfTitleAdded | jfPaperFixed;
  job.Copies = 4;
  job.TotalPages = 9;
  job.DataType = 4;
  job.Document.Assign(u"Doc (Title)");
  job.PaperWidth = 2100;
  TJobInfo info;
  info.JobId = 1;
  info.DataType = u"TEXT";
  info.TotalPages = 20;
  info.Document = u"Doc";
  info.DevMode = TDevModeW{};
  info.DevMode->dmCopies = 1;
  info.DevMode->dmPaperWidth = 1000;
  UpdateJobFromInfo(job, info);
  EXPECT_EQ(job.Copies, 4);
  EXPECT_EQ(job.TotalPages, 9u);
  EXPECT_EQ(job.DataType, 4);
  EXPECT_EQ(job.Document.View(), u"Doc (Title)");
  EXPECT_EQ(job.PaperWidth, 2100);
}

TEST_F(JobUpdate, StatusChangeEndsTheWaitForSpooling) {
  job.Flags = jfAwaitSpooled;
  EXPECT_FALSE(ApplyJobItem(job, {TNotifyType::Job, jfStatus, 1, uint32_t(jsSpooling)}));
  EXPECT_TRUE(ApplyJobItem(job, {TNotifyType::Job, jfStatus, 1, uint32_t(0)}));
  EXPECT_FALSE(job.Has(jfAwaitSpooled));
  EXPECT_FALSE(ApplyJobItem(job, {TNotifyType::Job, jfStatus, 1, uint32_t(jsPrinting)}));
}

TEST_F(JobUpdate, FixedTextsAreCut) {
  job.Document.Assign(std::u16string(200, u'x'));
  EXPECT_EQ(job.Document.View().size(), 160u);
  job.User.Assign(u"short");
  EXPECT_EQ(job.User.View(), u"short");
}

}  // namespace
}  // namespace ostrovel
