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

std::string Data(const char* name) { return std::string(OSTROVEL_TEST_DATA) + "/" + name; }

class QueueTool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    cupsd = new TPrivateCupsd;
    ASSERT_TRUE(cupsd->Start()) << cupsd->Error();
    // A paused raw queue keeps its jobs pending.
    ASSERT_TRUE(cupsd->Run({"lpadmin", "-p", "rawq", "-E", "-v", "file:///dev/null"}));
    ASSERT_TRUE(cupsd->Run({"cupsdisable", "rawq"}));
    ASSERT_TRUE(cupsd->Run({"lp", "-d", "rawq", "-o", "raw", "-t", "Budget", Data("pcl-pjl-copies.prn")}));
    ASSERT_TRUE(cupsd->Run({"lp", "-d", "rawq", "-o", "raw", "-t", "Quarterly", Data("ps-duplex-None.ps")}));
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
  EXPECT_NE(r.out.find("{\"printer\":\"rawq\",\"status\":\"Paused\",\"jobs\":2,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"port\":\"file:///dev/null\""), std::string::npos) << r.out;
  const TRun table = Queue("");
  EXPECT_EQ(table.out.substr(0, table.out.find('\n')).find("PRINTER"), 0u) << table.out;
}

TEST_F(QueueTool, ShowsThePrintersJobsOnceAnalysed) {
  const TRun r = Queue("--printer RAWQ --json --timeout 60");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("{\"printer\":\"rawq\",\"jobId\":1,\"user\":\"root\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"document\":\"Budget\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"document\":\"Quarterly\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"position\":2"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("\"analysed\":false"), std::string::npos) << r.out;
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
