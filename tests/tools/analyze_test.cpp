// ostrovel-analyze end to end: spool files from real drivers, errors, usage.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tool_test_util.h"

namespace {

using ostrovel::test::TRun;

// Runs the tool in the fixture folder with arguments.
TRun Analyze(const std::string& args) {
  return ostrovel::test::RunCommand(std::string("cd '") + OSTROVEL_TEST_DATA + "' && '" + OSTROVEL_ANALYZE +
                                    "' " + args);
}

std::string Expected() {
  std::ifstream in(std::string(OSTROVEL_TEST_DATA) + "/expected.jsonl");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Analyze, DriverFixturesGiveTheirValues) {
  const TRun r = Analyze(
      "--json escp2-gutenprint.prn pcl-blank-rows.prn pcl-ljet4d-copies.prn pcl-pjl-copies.prn "
      "pclxl-pxlmono.prn zjs-foo2zjs.prn ps-duplex-None.ps");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Expected());
}

TEST(Analyze, TableHasAHeaderAndOneRowPerFile) {
  const TRun r = Analyze("pcl-pjl-copies.prn zjs-foo2zjs.prn");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            "FILE                TYPE  LANGUAGE  PAGES  COPIES  PAPER         DUPLEX  TITLE        USER");
  EXPECT_NE(r.out.find("\npcl-pjl-copies.prn  PCL   PCL       2      3       210 x 297 mm  -       Budget.xlsx  erin\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("\nzjs-foo2zjs.prn     ZJS   Unknown   4      1"), std::string::npos);
}

TEST(Analyze, UnreadableFileIsNamedAndTheOthersStillRun) {
  const TRun r = Analyze("--json missing.prn zjs-foo2zjs.prn .");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("ostrovel-analyze: cannot open missing.prn: No such file or directory\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("ostrovel-analyze: cannot open .: Is a directory\n"), std::string::npos);
  EXPECT_NE(r.out.find("{\"file\":\"zjs-foo2zjs.prn\""), std::string::npos);
}

TEST(Analyze, BadUsage) {
  for (const char* args : {"", "--json", "--bogus pcl-pjl-copies.prn"}) {
    const TRun r = Analyze(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.out.find("usage: ostrovel-analyze [--json] FILE..."), std::string::npos) << args;
  }
  EXPECT_EQ(Analyze("--help").status, 0);
}

}  // namespace
