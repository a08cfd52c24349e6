// The IPP connection of the CUPS backend and small readers of IPP
// attributes. Only the CUPS backend includes this header.
//
// Threads: a TCupsConnection belongs to one thread at a time. IPP messages
// returned are owned by the caller (TIpp frees them).
#pragma once

#include <cups/cups.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ostrovel {

struct TIppDelete {
  void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using TIpp = std::unique_ptr<ipp_t, TIppDelete>;

// Where the scheduler listens: a host and port, or a domain socket path
// (Host beginning with '/').
struct TCupsServer {
  std::string Host;
  int Port = 631;
  // libcups' usual choice: CUPS_SERVER, client.conf, then the local socket.
  static TCupsServer Default();
  // "host", "host:port" or "/path/to/socket".
  static TCupsServer Parse(std::string_view text, int defaultPort);
};

class TCupsConnection {
 public:
  explicit TCupsConnection(TCupsServer server);
  ~TCupsConnection();
  TCupsConnection(const TCupsConnection&) = delete;
  TCupsConnection& operator=(const TCupsConnection&) = delete;

  // Sends request (always consumed) and returns the response; null when
  // nothing came back. *error is the spooler error of the answer.
  TIpp Do(ipp_t* request, uint32_t* error, const char* resource = "/");

  // Connected http, or null; connects on demand.
  http_t* Http();
  const TCupsServer& Server() const { return server_; }

 private:
  TCupsServer server_;
  http_t* http_ = nullptr;
};

// Never ask for a password: libcups would prompt on the terminal (or wait
// for one); a refused request then reads as access denied. libcups keeps
// the setting per thread, so every request sets it first.
void NoPasswordPrompts();

// The spooler error for an IPP status.
uint32_t CupsError(ipp_status_t status);

// A request with the operation attributes every request carries (charset,
// language, requesting-user-name) and printer-uri for printer (empty: the
// server itself).
ipp_t* NewRequest(ipp_op_t op, std::string_view printer);
std::string PrinterUri(std::string_view printer);

// One object of a response (a printer, a job, an event): its attributes by
// name. Valid while the response lives.
using TIppObject = std::map<std::string, ipp_attribute_t*, std::less<>>;
std::vector<TIppObject> IppObjects(ipp_t* response, ipp_tag_t group);

std::string IppString(const TIppObject& o, std::string_view name);
int IppInteger(const TIppObject& o, std::string_view name, int otherwise = 0);
bool IppBoolean(const TIppObject& o, std::string_view name, bool otherwise = false);
std::vector<std::string> IppStrings(const TIppObject& o, std::string_view name);
bool IppHas(const TIppObject& o, std::string_view name);

}  // namespace ostrovel
