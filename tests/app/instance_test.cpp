#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>

#include "app_test_util.h"
#include "uStartup.h"

namespace ostrovel {
namespace {

using test::NextLine;
using test::StartProbe;
using test::TTempDir;

class SingleInstance : public ::testing::Test {
 protected:
  QStringList Args() const { return {"instance", QString::fromStdString(tmp_.Dir() + "run")}; }
  QString Socket() const { return QString::fromStdString(tmp_.Dir() + "run/") + kInstanceName; }
  std::unique_ptr<QProcess> Start() { return StartProbe(Args(), test::ProbeEnvironment(tmp_)); }

  TTempDir tmp_;
};

TEST_F(SingleInstance, SecondStartActivatesTheFirstAndEnds) {
  auto first = Start();
  ASSERT_EQ(NextLine(*first), "first listening=1");

  auto second = Start();
  ASSERT_TRUE(second->waitForFinished(30000));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 0);
  EXPECT_EQ(NextLine(*second), "second");

  EXPECT_EQ(NextLine(*first), "activated");
  ASSERT_TRUE(first->waitForFinished(30000));
  EXPECT_EQ(first->exitCode(), 0);
}

TEST_F(SingleInstance, CrashedFirstInstanceDoesNotBlockTheNext) {
  auto crashed = Start();
  ASSERT_EQ(NextLine(*crashed), "first listening=1");
  ::kill(static_cast<pid_t>(crashed->processId()), SIGKILL);  // no clean-up at all
  ASSERT_TRUE(crashed->waitForFinished(30000));
  ASSERT_TRUE(QFile::exists(Socket()));  // the dead instance's socket is still there

  auto next = Start();
  EXPECT_EQ(NextLine(*next), "first listening=1");
  auto later = Start();
  ASSERT_TRUE(later->waitForFinished(30000));
  EXPECT_EQ(NextLine(*later), "second");
  EXPECT_EQ(NextLine(*next), "activated");
  next->waitForFinished(30000);
}

TEST_F(SingleInstance, AllowedMultipleInstancesRunIndependently) {
  test::WriteSettings(tmp_, "config", "[Interface]\nAllowMultipleInstances=1\n");
  auto one = Start();
  ASSERT_EQ(NextLine(*one), "first listening=0");
  auto two = Start();
  EXPECT_EQ(NextLine(*two), "first listening=0");
  EXPECT_FALSE(QFile::exists(Socket()));
  EXPECT_FALSE(QFile::exists(Socket() + ".lock"));
  one->kill();
  two->kill();
  one->waitForFinished(30000);
  two->waitForFinished(30000);
}

}  // namespace
}  // namespace ostrovel
