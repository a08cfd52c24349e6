// The shared behaviour tests against the in-process spooler.
#include "spooler_rig.h"
#include "uMemorySpooler.h"

namespace ostrovel::test {

namespace {

class TMemoryRig final : public TSpoolerRig {
 public:
  TSpooler& Spooler() override { return spooler_; }

  std::u16string AddPrinter(const std::string& name) override {
    TPrinterInfo info;
    info.Name = W(name);
    info.PortName = u"file:///dev/null";
    spooler_.AddPrinter(info);
    return info.Name;
  }

  uint32_t SubmitHeld(const std::u16string& printer, const std::string& title,
                      const std::string& data) override {
    TJobInfo job;
    job.Document = W(title);
    job.UserName = u"root";
    job.MachineName = u"localhost";
    job.DataType = u"application/vnd.cups-raw";
    job.Priority = 50;
    job.Status = jsPaused;
    return spooler_.AddJob(printer, job, data);
  }

  bool PrintsJobs() const override { return false; }

 private:
  TMemorySpooler spooler_;
};

}  // namespace

TSpoolerRig& Rig() {
  static TMemoryRig rig;
  return rig;
}

}  // namespace ostrovel::test
