// ostrovel-queue end to end against a private cupsd with a raw queue.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "private_cupsd.h"
#include "tool_test_util.h"

namespace {

using ostrovel::test::TPrivateCupsd;

using ostrovel::test::TRun;

TRun Queue(const std::string& args) {
  return ostrovel::test::RunCommand(std::string("'") + OSTROVEL_QUEUE + "' " + args);
}

std::string Data(const char* name) {
  return std::string(OSTROVEL_TEST_DATA) + "/" + name;
}

class QueueTool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    cupsd = new TPrivateCupsd;
    ASSERT_TRUE(cupsd->Start()) << cupsd->Error();
    // A paused raw queue keeps its jobs pending.
    ASSERT_TRUE(cupsd->Run({"lpadmin", "-p", "rawq", "-E", "-v", "file:///dev/null"}));
    ASSERT_TRUE(cupsd->Run({"cupsdisable", "rawq"}));
    ASSERT_TRUE(
        cupsd->Run({"lp", "-d", "rawq", "-o", "raw", "-t", "Budget", Data("pcl-pjl-copies.prn")}));
    ASSERT_TRUE(cupsd->Run(
        {"lp", "-d", "rawq", "-o", "raw", "-t", "Quarterly", Data("ps-duplex-None.ps")}));
    ASSERT_TRUE(cupsd->Run({"lp", "-d", "rawq", "-t", "notes.txt", Data("notes.txt")}));
  }
  static void TearDownTestSuite() {
    delete cupsd;
    cupsd = nullptr;
  }
  static TPrivateCupsd* cupsd;
};

TPrivateCupsd* QueueTool::cupsd = nullptr;

TEST_F(QueueTool, ListsThePrinters) {
  const TRun r = Queue("--json");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("{\"printer\":\"rawq\",\"status\":\"Paused\",\"jobs\":3,"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"port\":\"file:///dev/null\""), std::string::npos) << r.out;
  const TRun table = Queue("");
  EXPECT_EQ(table.out.substr(0, table.out.find('\n')).find("PRINTER"), 0u) << table.out;
}

// The line of the job with this id.
std::string JobLine(const std::string& out, int id) {
  const size_t at = out.find("\"jobId\":" + std::to_string(id) + ",");
  if (at == std::string::npos) return {};
  const size_t from = out.rfind('\n', at);
  const size_t start = from == std::string::npos ? 0 : from + 1;
  return out.substr(start, out.find('\n', at) - start);
}

TEST_F(QueueTool, ShowsThePrintersJobsWithWhatTheirSpoolDataSays) {
  const TRun r = Queue("--printer RAWQ --json --timeout 60");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.find("\"analysed\":false"), std::string::npos) << r.out;

  // PCL in PJL: copies 3 and 2 pages from the stream, the PJL job name as
  // the title, the PJL paper size.
  const std::string pcl = JobLine(r.out, 1);
  EXPECT_NE(pcl.find("{\"printer\":\"rawq\",\"jobId\":1,\"user\":\"root\""), std::string::npos)
      << r.out;
  EXPECT_NE(pcl.find("\"document\":\"Budget (Budget.xlsx)\""), std::string::npos) << pcl;
  EXPECT_NE(pcl.find("\"pages\":\"2\",\"copies\":3,"), std::string::npos) << pcl;
  EXPECT_NE(pcl.find("\"paper\":\"210 x 297 mm\""), std::string::npos) << pcl;
  EXPECT_NE(pcl.find("\"dataType\":\"PCL\""), std::string::npos) << pcl;

  // PostScript: the DSC title, 4 pages, 2 copies, one-sided.
  const std::string ps = JobLine(r.out, 2);
  EXPECT_NE(ps.find("\"document\":\"Quarterly (Quarterly Report)\""), std::string::npos) << ps;
  EXPECT_NE(ps.find("\"pages\":\"4\",\"copies\":2,"), std::string::npos) << ps;
  EXPECT_NE(ps.find("\"duplex\":false"), std::string::npos) << ps;
  EXPECT_NE(ps.find("\"position\":2"), std::string::npos) << ps;

  // Plain text: nothing to find, at least one page and one copy.
  const std::string text = JobLine(r.out, 3);
  EXPECT_NE(text.find("\"document\":\"notes.txt\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"pages\":\"1\",\"copies\":1,"), std::string::npos) << text;
}

TEST_F(QueueTool, UnknownPrinterAndBadUsage) {
  const TRun missing = Queue("--printer nosuch");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("there is no printer named nosuch"), std::string::npos) << missing.out;
  EXPECT_EQ(Queue("--watch").status, 2);
  EXPECT_EQ(Queue("--printer rawq --timeout soon").status, 2);
  EXPECT_EQ(Queue("--bogus").status, 2);
}

TEST(QueueToolWithoutSpooler, SaysTheSpoolerCannotBeReached) {
  const TRun r =
      ostrovel::test::RunCommand(std::string("CUPS_SERVER=/nonexistent/cups.sock '") + OSTROVEL_QUEUE + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("cannot reach the print spooler"), std::string::npos) << r.out;
}

}  // namespace
