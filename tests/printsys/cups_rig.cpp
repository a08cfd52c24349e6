// The shared behaviour tests against a private cupsd and the CUPS backend.
#include <gtest/gtest.h>

#include <fstream>

#include "private_cupsd.h"
#include "spooler_rig.h"
#include "uCupsSpooler.h"

namespace ostrovel::test {

namespace {

class TCupsRig final : public TSpoolerRig, public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(cupsd_.Start()) << cupsd_.Error();
    spooler_ = std::make_unique<TCupsSpooler>(cupsd_.Socket(), u"TESTHOST");
  }
  void TearDown() override {
    spooler_.reset();
    cupsd_.Stop();
  }

  TSpooler& Spooler() override { return *spooler_; }

  std::u16string AddPrinter(const std::string& name) override {
    EXPECT_TRUE(cupsd_.Run({"lpadmin", "-p", name, "-E", "-v", "file:///dev/null"}));
    return W(name);
  }

  uint32_t SubmitHeld(const std::u16string& printer, const std::string& title,
                      const std::string& data) override {
    const std::string file = "/tmp/ostrovel-job-" + std::to_string(getpid()) + ".prn";
    std::ofstream(file, std::ios::binary) << data;
    std::string out;
    const bool ok = cupsd_.Run(
        {"lp", "-d", WideToUtf8(printer), "-o", "raw", "-H", "hold", "-t", title, file}, &out);
    std::remove(file.c_str());
    EXPECT_TRUE(ok) << out;
    // "request id is printer-12 (1 file(s))"
    const size_t dash = out.find('-', out.find("request id is "));
    return dash == std::string::npos ? 0 : static_cast<uint32_t>(std::atoi(out.c_str() + dash + 1));
  }

  bool PrintsJobs() const override { return true; }

  TPrivateCupsd& Cupsd() { return cupsd_; }

 private:
  TPrivateCupsd cupsd_;
  std::unique_ptr<TCupsSpooler> spooler_;
};

TCupsRig* const rig = static_cast<TCupsRig*>(::testing::AddGlobalTestEnvironment(new TCupsRig));

}  // namespace

TSpoolerRig& Rig() {
  return *rig;
}
TPrivateCupsd& Cupsd() {
  return rig->Cupsd();
}

}  // namespace ostrovel::test
