#include "uCupsSpooler.h"

#include <cmath>

#include "uCupsHandle.h"
#include "uCupsRecords.h"
#include "uDevModeMerge.h"
#include "uSpoolName.h"
#include "uText.h"

namespace ostrovel {

namespace {

template <class T>
TSpoolResult<T> Fail(uint32_t e) {
  return TSpoolResult<T>::Fail(e);
}

// Queue names the scheduler can have: printable, no blank, none of / \ # ?
// ' " (so a name never reaches beyond /printers/ in a request), at most 127
// bytes.
bool BadName(std::u16string_view name) {
  if (name.empty() || WideToUtf8(name).size() > 127) return true;
  for (char16_t c : name)
    if (c <= u' ' || c == 0x7F ||
        std::u16string_view(u"/\\#?'\"").find(c) != std::u16string_view::npos)
      return true;
  return false;
}

std::u16string PrefixOf(const TSpoolName& n) {
  return n.Server.empty() ? std::u16string{} : u"\\\\" + n.Server + u"\\";
}

// The printer's defaults, for document properties and device geometry.
TSpoolResult<TIpp> PrinterDefaults(TCupsConnection& c, const std::string& printer) {
  static const char* const kDefaults[] = {
      "copies-default",
      "media-default",
      "sides-default",
      "orientation-requested-default",
      "print-color-mode-default",
      "print-quality-default",
      "printer-resolution-default",
      "media-col-default",
  };
  ipp_t* request = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, printer);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(std::size(kDefaults)), nullptr, kDefaults);
  uint32_t error;
  TIpp response = c.Do(request, &error);
  if (error) return Fail<TIpp>(error);
  return {seNone, std::move(response)};
}

// A margin of the default media collection, in hundredths of a millimetre.
int Margin(ipp_t* response, const char* name) {
  ipp_attribute_t* col = ippFindAttribute(response, "media-col-default", IPP_TAG_BEGIN_COLLECTION);
  if (!col) return 0;
  ipp_attribute_t* m = ippFindAttribute(ippGetCollection(col, 0), name, IPP_TAG_INTEGER);
  return m ? ippGetInteger(m, 0) : 0;
}

}  // namespace

TCupsSpooler::TCupsSpooler(std::string server, std::u16string computerName)
    : shared_(std::make_shared<TCupsShared>()) {
  shared_->Local = server.empty() ? TCupsServer::Default() : TCupsServer::Parse(server, ippPort());
  shared_->ComputerName = std::move(computerName);
}

TCupsSpooler::~TCupsSpooler() = default;

void TCupsSpooler::SetPollInterval(std::chrono::milliseconds interval) {
  shared_->PollInterval = interval;
}

TSpoolResult<std::unique_ptr<TPrinterHandle>> TCupsSpooler::OpenPrinter(std::u16string_view name,
                                                                        uint32_t access) {
  using R = TSpoolResult<std::unique_ptr<TPrinterHandle>>;
  const TSpoolName n = ParseSpoolName(name);
  if (!n.IsServer() && BadName(n.Printer)) return R::Fail(seInvalidPrinterName);
  // The scheduler checks rights per operation, not at open: every access
  // opens, and a refused operation answers seAccessDenied.
  auto h = std::make_unique<TCupsHandle>(shared_, shared_->ServerFor(n.Server),
                                         WideToUtf8(n.Printer), PrefixOf(n), n.IsJob ? n.JobId : 0);
  if (const uint32_t error = h->Check())
    return R::Fail(error == seInvalidParameter ? seInvalidPrinterName : error);
  return {seNone, std::move(h)};
}

TSpoolResult<std::vector<TPrinterInfo>> TCupsSpooler::EnumPrinters(uint32_t flags,
                                                                   std::u16string_view name,
                                                                   int level) {
  const TSpoolName n = ParseSpoolName(name);
  TSpoolResult<std::vector<TPrinterInfo>> r;
  if (flags & peName) {
    TCupsConnection c(shared_->ServerFor(n.Server));
    const std::u16string server = n.Server.empty() ? shared_->ComputerName : n.Server;
    r = CupsReadPrinters(c, u"\\\\" + server + u"\\");
  } else {
    TCupsConnection c(shared_->Local);
    r = CupsReadPrinters(c, {});
    std::erase_if(r.Value, [flags](const TPrinterInfo& p) {
      return !(((p.Attributes & patLocal) && (flags & peLocal)) ||
               ((p.Attributes & patNetwork) && (flags & peConnections)));
    });
  }
  if (level == 1)
    for (auto& p : r.Value) p = PrinterInfoLevel1(p);
  return r;
}

TSpoolResult<std::u16string> TCupsSpooler::GetDefaultPrinter() {
  TCupsConnection c(shared_->Local);
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_DEFAULT);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-name");
  uint32_t error;
  TIpp response = c.Do(request, &error);
  if (error) return Fail<std::u16string>(error == seInvalidPrinterName ? seFileNotFound : error);
  const auto printers = IppObjects(response.get(), IPP_TAG_PRINTER);
  if (printers.empty()) return Fail<std::u16string>(seFileNotFound);
  return {seNone, Utf8ToWide(IppString(printers.front(), "printer-name"))};
}

uint32_t TCupsSpooler::SetDefaultPrinter(std::u16string_view name) {
  const TSpoolName n = ParseSpoolName(name);
  if (BadName(n.Printer)) return seInvalidPrinterName;
  TCupsConnection c(shared_->ServerFor(n.Server));
  return CupsPrinterRequest(c, IPP_OP_CUPS_SET_DEFAULT, WideToUtf8(n.Printer));
}

uint32_t TCupsSpooler::DeletePrinterConnection(std::u16string_view name) {
  // A connection here is a local queue that forwards to another computer.
  const TSpoolName n = ParseSpoolName(name);
  if (BadName(n.Printer)) return seInvalidPrinterName;
  TCupsConnection c(shared_->Local);
  const std::string printer = WideToUtf8(n.Printer);
  auto info = CupsReadPrinter(c, printer, n.Printer);
  if (!info.Ok()) return info.Error;
  if (!(info.Value.Attributes & patNetwork)) return seInvalidPrinterName;
  return CupsPrinterRequest(c, IPP_OP_CUPS_DELETE_PRINTER, printer);
}

TSpoolResult<TDevModeW> TCupsSpooler::DocumentProperties(std::u16string_view printer,
                                                         const TDevModeW* devMode) {
  const TSpoolName n = ParseSpoolName(printer);
  if (BadName(n.Printer)) return Fail<TDevModeW>(seInvalidPrinterName);
  TCupsConnection c(shared_->ServerFor(n.Server));
  auto defaults = PrinterDefaults(c, WideToUtf8(n.Printer));
  if (!defaults.Ok()) return Fail<TDevModeW>(defaults.Error);
  const auto printers = IppObjects(defaults.Value.get(), IPP_TAG_PRINTER);
  TDevModeW base = CupsDevMode(printers.empty() ? TIppObject{} : printers.front(), "-default");
  return {seNone, devMode ? MergeDevMode(base, *devMode) : base};
}

TSpoolResult<TDeviceGeometry> TCupsSpooler::DeviceGeometry(std::u16string_view printer,
                                                           const TDevModeW* devMode) {
  auto dm = DocumentProperties(printer, devMode);
  if (!dm.Ok()) return Fail<TDeviceGeometry>(dm.Error);
  if (!(dm.Value.dmFields & dmfPaperWidth) || dm.Value.dmPaperWidth <= 0 ||
      dm.Value.dmPaperLength <= 0)
    return Fail<TDeviceGeometry>(seNotSupported);  // a raw queue knows no paper

  const TSpoolName n = ParseSpoolName(printer);
  TCupsConnection c(shared_->ServerFor(n.Server));
  auto defaults = PrinterDefaults(c, WideToUtf8(n.Printer));
  if (!defaults.Ok()) return Fail<TDeviceGeometry>(defaults.Error);
  ipp_t* response = defaults.Value.get();
  int dpi = 300;
  if (ipp_attribute_t* res =
          ippFindAttribute(response, "printer-resolution-default", IPP_TAG_RESOLUTION)) {
    int y;
    ipp_res_t units;
    const int x = ippGetResolution(res, 0, &y, &units);
    if (x > 0) dpi = units == IPP_RES_PER_CM ? static_cast<int>(std::lround(x * 2.54)) : x;
  }
  // Sizes in hundredths of a millimetre, turned to device units.
  double width = dm.Value.dmPaperWidth * 10.0, length = dm.Value.dmPaperLength * 10.0;
  double left = Margin(response, "media-left-margin"), top = Margin(response, "media-top-margin");
  double right = Margin(response, "media-right-margin");
  double bottom = Margin(response, "media-bottom-margin");
  if ((dm.Value.dmFields & dmfOrientation) && dm.Value.dmOrientation == 2) {
    std::swap(width, length);
    std::swap(left, top);
    std::swap(right, bottom);
  }
  auto units = [dpi](double hundredthsMm) {
    return static_cast<int32_t>(std::lround(hundredthsMm * dpi / 2540.0));
  };
  TDeviceGeometry g;
  g.PhysicalWidth = units(width);
  g.PhysicalHeight = units(length);
  g.PhysicalOffsetX = units(left);
  g.PhysicalOffsetY = units(top);
  g.HorzRes = units(width - left - right);
  g.VertRes = units(length - top - bottom);
  g.HorzSizeMm = static_cast<int32_t>(std::lround((width - left - right) / 100.0));
  g.VertSizeMm = static_cast<int32_t>(std::lround((length - top - bottom) / 100.0));
  return {seNone, g};
}

std::string TCupsSpooler::AdminPage(std::u16string_view printer) {
  const TSpoolName n = ParseSpoolName(printer);
  const TCupsServer s = shared_->ServerFor(n.Server);
  // A scheduler on a socket serves its pages on the usual local port.
  const std::string host = s.Host.starts_with('/') ? "localhost" : s.Host;
  const int port = s.Host.starts_with('/') ? 631 : s.Port;
  char uri[1024];
  if (n.Printer.empty() || BadName(n.Printer))
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "http", nullptr, host.c_str(), port,
                     "/admin");
  else
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "http", nullptr, host.c_str(), port,
                     "/printers/%s", WideToUtf8(n.Printer).c_str());
  return uri;
}

}  // namespace ostrovel
