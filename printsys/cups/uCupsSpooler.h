// The spooler over CUPS: the scheduler that libcups chooses (CUPS_SERVER,
// client.conf, the local socket), or the one given. Printers of another
// computer ("\\host\printer") are asked of the scheduler on that host.
//
// Threads: any thread may call it; each handle has its own connection.
// Every registration polls its scheduler on a thread of its own, ended when
// the registration is destroyed.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "uSpooler.h"

namespace ostrovel {

struct TCupsShared;

class TCupsSpooler final : public TSpooler {
 public:
  // server: "host[:port]" or a socket path; empty for libcups' choice.
  // computerName: the name of this computer in "\\computer\printer".
  explicit TCupsSpooler(std::string server = {}, std::u16string computerName = {});
  ~TCupsSpooler() override;

  TSpoolResult<std::unique_ptr<TPrinterHandle>> OpenPrinter(std::u16string_view name,
                                                            uint32_t access) override;
  TSpoolResult<std::vector<TPrinterInfo>> EnumPrinters(uint32_t flags, std::u16string_view name,
                                                       int level) override;
  TSpoolResult<std::u16string> GetDefaultPrinter() override;
  uint32_t SetDefaultPrinter(std::u16string_view name) override;
  uint32_t DeletePrinterConnection(std::u16string_view name) override;
  TSpoolResult<TDevModeW> DocumentProperties(std::u16string_view printer,
                                             const TDevModeW* devMode) override;
  TSpoolResult<TDeviceGeometry> DeviceGeometry(std::u16string_view printer,
                                               const TDevModeW* devMode) override;
  std::string AdminPage(std::u16string_view printer) override;

  // How often change registrations made from now on ask for events. The
  // scheduler answers at once and does not wait for events, so this is the
  // delay of a change; half a second unless set. Ten polls without events
  // also read the state again.
  void SetPollInterval(std::chrono::milliseconds interval);

 private:
  std::shared_ptr<TCupsShared> shared_;
};

}  // namespace ostrovel
