#include "uCupsIpp.h"

#include <charconv>

namespace ostrovel {

namespace {

// Every answer comes within this many seconds, or the request fails.
constexpr double kRequestTimeout = 10.0;
constexpr int kConnectTimeoutMs = 5000;

}  // namespace

TCupsServer TCupsServer::Default() {
  return Parse(cupsServer(), ippPort());
}

TCupsServer TCupsServer::Parse(std::string_view text, int defaultPort) {
  TCupsServer s;
  s.Port = defaultPort;
  if (text.starts_with('/')) {
    s.Host = text;
    return s;
  }
  const size_t colon = text.rfind(':');
  int port = 0;
  if (colon != std::string_view::npos && text.find(':') == colon &&
      std::from_chars(text.data() + colon + 1, text.data() + text.size(), port).ec == std::errc{}) {
    s.Host = text.substr(0, colon);
    s.Port = port;
  } else {
    s.Host = text;
  }
  if (s.Host.empty()) s.Host = "localhost";
  return s;
}

TCupsConnection::TCupsConnection(TCupsServer server) : server_(std::move(server)) {}

TCupsConnection::~TCupsConnection() {
  if (http_) httpClose(http_);
}

http_t* TCupsConnection::Http() {
  if (!http_) {
    http_ = httpConnect2(server_.Host.c_str(), server_.Port, nullptr, AF_UNSPEC,
                         HTTP_ENCRYPTION_IF_REQUESTED, 1, kConnectTimeoutMs, nullptr);
    if (http_) httpSetTimeout(http_, kRequestTimeout, nullptr, nullptr);
  }
  return http_;
}

void NoPasswordPrompts() {
  cupsSetPasswordCB2(
      [](const char*, http_t*, const char*, const char*, void*) -> const char* { return nullptr; },
      nullptr);
}

TIpp TCupsConnection::Do(ipp_t* request, uint32_t* error, const char* resource) {
  NoPasswordPrompts();
  http_t* http = Http();
  if (!http) {
    ippDelete(request);
    *error = 1722;  // server unavailable
    return nullptr;
  }
  TIpp response(cupsDoRequest(http, request, resource));
  const ipp_status_t status = response ? ippGetStatusCode(response.get()) : cupsLastError();
  *error = CupsError(status);
  if (!response) {  // the connection is made again for the next request
    httpClose(http_);
    http_ = nullptr;
  }
  return response;
}

uint32_t CupsError(ipp_status_t status) {
  if (status <= IPP_STATUS_OK_EVENTS_COMPLETE) return 0;
  switch (status) {
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
      return 5;  // access denied
    case IPP_STATUS_ERROR_NOT_FOUND:
    case IPP_STATUS_ERROR_GONE:
      return 1801;  // no such printer (or job)
    case IPP_STATUS_ERROR_NOT_POSSIBLE:
      return 1906;  // not in this state
    case IPP_STATUS_ERROR_BAD_REQUEST:
    case IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES:
      return 87;  // invalid parameter
    case IPP_STATUS_ERROR_OPERATION_NOT_SUPPORTED:
      return 50;
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
    case IPP_STATUS_ERROR_INTERNAL:
    case IPP_STATUS_ERROR_TIMEOUT:
      return 1722;
    default:
      return 50;
  }
}

std::string PrinterUri(std::string_view printer) {
  char uri[1024];
  if (printer.empty())
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/");
  else
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%.*s", static_cast<int>(printer.size()), printer.data());
  return uri;
}

ipp_t* NewRequest(ipp_op_t op, std::string_view printer) {
  ipp_t* request = ippNewRequest(op);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
               PrinterUri(printer).c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  return request;
}

std::vector<TIppObject> IppObjects(ipp_t* response, ipp_tag_t group) {
  std::vector<TIppObject> objects;
  bool open = false;
  for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
    const char* name = ippGetName(a);
    if (!name || ippGetGroupTag(a) != group) {
      open = false;  // a separator or another group ends the object
      continue;
    }
    if (!open) objects.emplace_back();
    open = true;
    objects.back().emplace(name, a);
  }
  return objects;
}

namespace {

ipp_attribute_t* Find(const TIppObject& o, std::string_view name) {
  const auto it = o.find(name);
  return it == o.end() ? nullptr : it->second;
}

}  // namespace

bool IppHas(const TIppObject& o, std::string_view name) {
  return Find(o, name) != nullptr;
}

std::string IppString(const TIppObject& o, std::string_view name) {
  ipp_attribute_t* a = Find(o, name);
  const char* s = a ? ippGetString(a, 0, nullptr) : nullptr;
  return s ? s : "";
}

int IppInteger(const TIppObject& o, std::string_view name, int otherwise) {
  ipp_attribute_t* a = Find(o, name);
  if (!a) return otherwise;
  const ipp_tag_t tag = ippGetValueTag(a);
  if (tag != IPP_TAG_INTEGER && tag != IPP_TAG_ENUM) return otherwise;
  return ippGetInteger(a, 0);
}

bool IppBoolean(const TIppObject& o, std::string_view name, bool otherwise) {
  ipp_attribute_t* a = Find(o, name);
  return a && ippGetValueTag(a) == IPP_TAG_BOOLEAN ? ippGetBoolean(a, 0) != 0 : otherwise;
}

std::vector<std::string> IppStrings(const TIppObject& o, std::string_view name) {
  std::vector<std::string> v;
  if (ipp_attribute_t* a = Find(o, name))
    for (int i = 0; i < ippGetCount(a); ++i)
      if (const char* s = ippGetString(a, i, nullptr)) v.emplace_back(s);
  return v;
}

}  // namespace ostrovel
