// Printers and their names.
#include <cerrno>
#include <exception>
#include <mutex>

#include "uHooks.h"
#include "uProcs.h"
#include "uSpoolName.h"
#include "uText.h"

namespace ostrovel {

namespace {

std::mutex spoolerLock;
std::shared_ptr<TSpooler> spooler;  // guarded by spoolerLock

std::unique_ptr<TPrinterHandle> Open(std::u16string_view printer, uint32_t access,
                                     uint32_t* error = nullptr) {
  const auto s = CurrentSpooler();
  if (!s) {
    if (error) *error = seServerUnavailable;
    return nullptr;
  }
  auto r = s->OpenPrinter(printer, access);
  if (error) *error = r.Error;
  return r.Ok() ? std::move(r.Value) : nullptr;
}

// A printer's level-2 information through its two-call read.
std::optional<TPrinterInfo> ReadInfo(TPrinterHandle& h) {
  if (h.QueryPrinterSize().Error != seInsufficientBuffer) return std::nullopt;
  auto info = h.GetPrinter();
  if (!info.Ok()) return std::nullopt;
  return std::move(info.Value);
}

}  // namespace

void SetSpooler(std::shared_ptr<TSpooler> s) {
  std::lock_guard lock(spoolerLock);
  spooler = std::move(s);
}

std::shared_ptr<TSpooler> CurrentSpooler() {
  std::lock_guard lock(spoolerLock);
  return spooler;
}

bool GetPrinters(std::u16string_view computer, std::vector<std::u16string>& list) {
  list.clear();
  try {
    const auto s = CurrentSpooler();
    if (!s) return false;
    auto r = s->EnumPrinters(peName, u"\\\\" + std::u16string(computer), 2);
    if (!r.Ok()) return false;
    for (const auto& p : r.Value) list.push_back(p.Name);
    return true;
  } catch (const std::exception&) {
    PrintsysLogError(0, errno, u"GetPrinters");
    return false;
  }
}

bool GetPrinters(std::vector<std::u16string>& list, uint32_t flags) {
  list.clear();
  try {
    const auto s = CurrentSpooler();
    if (!s) return false;
    auto r = s->EnumPrinters(flags, u"", 1);
    if (!r.Ok()) return false;
    for (const auto& p : r.Value)
      if (!(flags == peLocal && p.Name.starts_with(u'\\'))) list.push_back(p.Name);
    return true;
  } catch (const std::exception&) {
    PrintsysLogError(0, errno, u"GetPrinters");
    return false;
  }
}

std::u16string GetDefaultPrinterName() {
  const auto s = CurrentSpooler();
  if (!s) return {};
  auto r = s->GetDefaultPrinter();
  if (!r.Ok()) return {};
  std::u16string name = std::move(r.Value);
  if (const size_t zero = name.find(u'\0'); zero != std::u16string::npos) name.resize(zero);
  return name.substr(0, 259);
}

bool SetDefaultPrinter(std::u16string_view printer) {
  const auto s = CurrentSpooler();
  return s && s->SetDefaultPrinter(printer) == seNone;
}

std::optional<TPrinterInfo> GetPrinterInfo(std::u16string_view printer) {
  auto h = Open(printer, paDefault);
  if (!h) return std::nullopt;
  return ReadInfo(*h);
}

TSpoolResult<std::unique_ptr<TPrinterHandle>> OpenPrinterFallback(std::u16string_view printer) {
  using R = TSpoolResult<std::unique_ptr<TPrinterHandle>>;
  const auto s = CurrentSpooler();
  if (!s) return R::Fail(seServerUnavailable);
  auto r = s->OpenPrinter(printer, paAll);
  if (r.Ok() || r.Error != seAccessDenied) return r;
  r = s->OpenPrinter(printer, paDefault);
  if (r.Ok() || r.Error != seAccessDenied) return r;
  return s->OpenPrinter(printer, paUse);
}

bool PrinterHandleAlive(TPrinterHandle& handle) {
  return handle.QueryPrinterSize().Error == seInsufficientBuffer;
}

std::u16string ShortPrinterName(std::u16string_view printer) {
  if (!printer.starts_with(u'\\')) return std::u16string(printer);
  printer.remove_prefix(std::min<size_t>(2, printer.size()));
  const size_t slash = printer.find(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? printer : printer.substr(slash + 1));
}

std::u16string ServerPrefix(std::u16string_view printer) {
  if (!printer.starts_with(u'\\')) return {};
  return u"\\\\" + ParseSpoolName(printer).Server + u"\\";
}

bool IsPrinterConnected(std::u16string_view computer, std::u16string_view printer) {
  try {
    const auto s = CurrentSpooler();
    if (!s) return false;
    auto r = s->EnumPrinters(peName, u"\\\\" + std::u16string(computer), 2);
    if (!r.Ok()) return false;
    const std::u16string wanted = ShortPrinterName(printer);
    for (const auto& p : r.Value)
      if ((p.Attributes & patNetwork) && SameText(ShortPrinterName(p.Name), wanted)) return true;
  } catch (const std::exception&) {
  }
  return false;
}

bool DeletePrinterByName(std::u16string_view printer, std::u16string* errorText) {
  if (errorText) errorText->clear();
  auto h = Open(printer, paAll);
  if (!h) return false;
  const uint32_t error = h->DeletePrinter();
  if (error == seNone) return true;
  if (errorText) *errorText = SpoolErrorText(error);
  return false;
}

bool SetPrinterOffline(std::u16string_view printer, bool offline) {
  auto h = Open(printer, paAll);
  if (!h) return false;
  auto info = ReadInfo(*h);
  if (!info) return false;
  const bool now = (info->Attributes & patWorkOffline) != 0;
  if (now == offline) return false;
  info->Attributes ^= patWorkOffline;
  return h->SetPrinter(*info) == seNone;
}

std::u16string SpoolErrorText(uint32_t error) {
  switch (error) {
    case seAccessDenied:
      return u"Access is denied.";
    case seInvalidHandle:
      return u"The printer is no longer available.";
    case seInvalidPrinterName:
      return u"The printer name is invalid.";
    case seServerUnavailable:
      return u"The print server cannot be reached.";
    case seInvalidPrinterState:
      return u"The printer cannot do this in its present state.";
    case seInvalidParameter:
      return u"The spooler refused the request.";
    case seNotSupported:
      return u"The print server does not support this request.";
  }
  return u"The print server reported error " + Utf8ToWide(std::to_string(error)) + u".";
}

TFormLookup SpoolerFormLookup() {
  auto forms = std::make_shared<std::optional<std::vector<TFormSize>>>();
  return [forms](int index) -> std::optional<TFormSize> {
    if (!*forms) {
      std::vector<TFormSize> list;
      if (auto server = Open(u"", paDefault)) {
        auto r = server->EnumForms();
        if (r.Ok()) list = std::move(r.Value);
      }
      *forms = std::move(list);
    }
    if (index < 1 || static_cast<size_t>(index) > (*forms)->size()) return std::nullopt;
    return (**forms)[static_cast<size_t>(index) - 1];
  };
}

}  // namespace ostrovel
