#include "uCupsNotify.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "uSpoolName.h"

namespace ostrovel {

namespace {

// Some changes send no event at all (cancelling all jobs of a printer, for
// one), so the state is also read again after this many polls without
// events (five seconds at the usual interval).
constexpr int kQuietPolls = 10;
constexpr int kLeaseSeconds = 300;
constexpr int kRenewSeconds = 120;

const char* const kEvents[] = {
    "printer-added",   "printer-deleted",   "printer-modified",   "printer-state-changed",
    "printer-stopped", "printer-restarted", "job-created",        "job-completed",
    "job-stopped",     "job-state-changed", "job-config-changed", "job-progress",
    "server-started",  "server-restarted",  "server-stopped",
};

bool Lists(const std::vector<uint16_t>& fields, uint16_t field) {
  return std::find(fields.begin(), fields.end(), field) != fields.end();
}

const TPrinterInfo* FindPrinter(const std::vector<TPrinterInfo>& list, std::u16string_view name) {
  for (const auto& p : list)
    if (SameText(p.Name, name)) return &p;
  return nullptr;
}

}  // namespace

TCupsNotification::TCupsNotification(std::shared_ptr<TCupsShared> shared, TCupsServer server,
                                     std::string printer, std::u16string fullName,
                                     std::u16string prefix, const TNotifyOptions& options)
    : shared_(std::move(shared)),
      printer_(std::move(printer)),
      fullName_(std::move(fullName)),
      prefix_(std::move(prefix)),
      options_(options),
      pollConnection_(server),
      callerConnection_(server),
      pollInterval_(shared_->PollInterval),
      quietUntil_(std::chrono::steady_clock::now() + kQuietPolls * pollInterval_) {
  options_.Flags = 0;
}

TSpoolResult<std::unique_ptr<TChangeNotification>> TCupsNotification::Create(
    std::shared_ptr<TCupsShared> shared, TCupsServer server, std::string printer,
    std::u16string fullName, std::u16string prefix, const TNotifyOptions& options) {
  using R = TSpoolResult<std::unique_ptr<TChangeNotification>>;
  std::unique_ptr<TCupsNotification> n(
      new TCupsNotification(std::move(shared), std::move(server), std::move(printer),
                            std::move(fullName), std::move(prefix), options));
  n->fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (n->fd_ < 0) return R::Fail(seNotSupported);
  if (const uint32_t error = n->Subscribe(n->pollConnection_)) return R::Fail(error);
  // The baseline the first events are compared with.
  if (const uint32_t error = n->ReadState(n->pollConnection_, n->baseline_, n->printerList_))
    return R::Fail(error);
  n->thread_ = std::thread([p = n.get()] { p->Run(); });
  return {seNone, std::move(n)};
}

TCupsNotification::~TCupsNotification() {
  {
    std::lock_guard lock(lock_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (subscription_ != 0) {
    ipp_t* request = NewRequest(IPP_OP_CANCEL_SUBSCRIPTION, "");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                  subscription_);
    uint32_t error;
    pollConnection_.Do(request, &error);
  }
  if (fd_ >= 0) close(fd_);
}

uint32_t TCupsNotification::Subscribe(TCupsConnection& c) {
  ipp_t* request = NewRequest(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS, printer_);
  ippAddString(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr,
               "ippget");
  ippAddStrings(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events",
                static_cast<int>(std::size(kEvents)), nullptr, kEvents);
  ippAddInteger(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                kLeaseSeconds);
  uint32_t error;
  TIpp response = c.Do(request, &error);
  if (error) return error;
  ipp_attribute_t* id = ippFindAttribute(response.get(), "notify-subscription-id", IPP_TAG_INTEGER);
  if (!id) return seNotSupported;
  subscription_ = ippGetInteger(id, 0);
  nextSequence_ = 1;
  renewAt_ = time(nullptr) + kRenewSeconds;
  return seNone;
}

void TCupsNotification::Run() {
  for (;;) {
    {
      std::unique_lock lock(lock_);
      if (wake_.wait_for(lock, pollInterval_, [this] { return stop_; })) return;
      if (gone_) continue;
    }
    PollOnce();
  }
}

void TCupsNotification::PollOnce() {
  TCupsConnection& c = pollConnection_;
  uint32_t error;
  if (time(nullptr) >= renewAt_) {
    ipp_t* request = NewRequest(IPP_OP_RENEW_SUBSCRIPTION, "");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id",
                  subscription_);
    ippAddInteger(request, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration",
                  kLeaseSeconds);
    c.Do(request, &error);
    if (!error) renewAt_ = time(nullptr) + kRenewSeconds;
  }

  ipp_t* request = NewRequest(IPP_OP_GET_NOTIFICATIONS, "");
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids",
                subscription_);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers",
                nextSequence_);
  TIpp response = c.Do(request, &error);
  if (error == seInvalidPrinterName) {
    // The lease ran out, or the printer went and took the subscription with
    // it. Subscribe again; what happened meanwhile is unknown.
    if (!printer_.empty() && CupsReadPrinter(c, printer_, fullName_).Error == seInvalidPrinterName)
      PublishDeleted();
    else if (Subscribe(c) == seNone)
      MarkLost();
    return;
  }
  if (error) {
    away_ = true;
    return;
  }

  // Whatever happened while the scheduler could not be asked is unknown.
  bool lost = std::exchange(away_, false), hint = false, deleted = false, added = false;
  for (const auto& event : IppObjects(response.get(), IPP_TAG_EVENT_NOTIFICATION)) {
    const int sequence = IppInteger(event, "notify-sequence-number");
    if (sequence < nextSequence_) continue;
    if (sequence > nextSequence_) lost = true;  // the scheduler dropped the ones between
    nextSequence_ = sequence + 1;
    const std::string name = IppString(event, "notify-subscribed-event");
    if (name.starts_with("server-")) lost = true;
    if (name == "printer-deleted" && !printer_.empty()) deleted = true;
    if (name == "printer-added") added = true;
    hint = true;
  }
  if (deleted) return PublishDeleted();
  if (lost) MarkLost();
  if (hint || std::chrono::steady_clock::now() >= quietUntil_)
    Reread(c, added ? uint32_t{chAddPrinter} : 0u);
}

void TCupsNotification::PublishDeleted() {
  TChangeRead read;
  read.Change = chDeletePrinter;
  {
    // The last state known, marked as going: a batch with the deleted bit
    // carries a printer item.
    std::lock_guard lock(readLock_);
    const uint16_t field = Lists(options_.PrinterFields, pfStatus) || options_.PrinterFields.empty()
                               ? uint16_t{pfStatus}
                               : options_.PrinterFields.front();
    TPrinterInfo last = baseline_.Printer;
    last.Status |= psPendingDeletion;
    if (auto value = PrinterFieldValue(last, field)) {
      read.Info.emplace();
      read.Info->Items.push_back({TNotifyType::Printer, field, 0, std::move(*value)});
    }
  }
  {
    std::lock_guard lock(lock_);
    gone_ = true;
  }
  Publish(std::move(read));
}

uint32_t TCupsNotification::ReadState(TCupsConnection& c, TQueueState& state,
                                      std::vector<TPrinterInfo>& printers) {
  if (printer_.empty()) {
    auto list = CupsReadPrinters(c, prefix_);
    if (list.Ok()) printers = std::move(list.Value);
    return list.Error;
  }
  auto queue = CupsReadQueue(*shared_, c, printer_, fullName_);
  if (queue.Ok()) state = std::move(queue.Value);
  return queue.Error;
}

void TCupsNotification::Reread(TCupsConnection& c, uint32_t change) {
  std::unique_lock lock(readLock_);
  quietUntil_ = std::chrono::steady_clock::now() + kQuietPolls * pollInterval_;
  TQueueState state;
  std::vector<TPrinterInfo> printers;
  const uint32_t error = ReadState(c, state, printers);
  if (error == seInvalidPrinterName && !printer_.empty()) {
    lock.unlock();
    return PublishDeleted();
  }
  if (error != seNone) return;
  TChangeRead read;
  read.Change = change;
  if (printer_.empty()) {
    for (const auto& p : printers) {
      const TPrinterInfo* old = FindPrinter(printerList_, p.Name);
      if (!old) read.Change |= chAddPrinter;  // also when the scheduler sent no event for it
      DiffQueue(TQueueState{old ? *old : TPrinterInfo{}, {}}, TQueueState{p, {}}, options_, read);
    }
    for (const auto& p : printerList_)
      if (!FindPrinter(printers, p.Name)) read.Change |= chDeletePrinter;
    printerList_ = std::move(printers);
  } else {
    DiffQueue(baseline_, state, options_, read);
    baseline_ = std::move(state);
  }
  Publish(std::move(read));
}

void TCupsNotification::Publish(TChangeRead&& read) {
  if (read.Change == 0 && !read.Info) return;
  {
    std::lock_guard lock(lock_);
    pending_.Change |= read.Change;
    if (read.Info) {
      if (!pending_.Info) pending_.Info.emplace();
      for (auto& item : read.Info->Items) pending_.Info->Items.push_back(std::move(item));
    }
  }
  const uint64_t one = 1;
  (void)!write(fd_, &one, sizeof one);
}

void TCupsNotification::MarkLost() {
  {
    std::lock_guard lock(lock_);
    lost_ = true;
  }
  const uint64_t one = 1;
  (void)!write(fd_, &one, sizeof one);
}

TSpoolResult<TChangeRead> TCupsNotification::Next(uint32_t flags) {
  uint64_t count;
  (void)!read(fd_, &count, sizeof count);
  TChangeRead r;
  if (flags & kNotifyRefresh) {
    std::lock_guard read(readLock_);
    TQueueState state;
    std::vector<TPrinterInfo> printers;
    if (const uint32_t error = ReadState(callerConnection_, state, printers))
      return TSpoolResult<TChangeRead>::Fail(error);
    if (printer_.empty()) {
      r.Info.emplace();
      for (const auto& p : printers)
        for (auto& item : FullState(TQueueState{p, {}}, options_).Items)
          r.Info->Items.push_back(std::move(item));
      printerList_ = std::move(printers);
    } else {
      r.Info = FullState(state, options_);
      baseline_ = std::move(state);
    }
    std::lock_guard lock(lock_);
    r.Change = pending_.Change;
    pending_ = {};
    lost_ = false;
    return {seNone, std::move(r)};
  }
  std::lock_guard lock(lock_);
  r.Change = pending_.Change;
  if (lost_) {
    r.Info.emplace();
    r.Info->Flags = kNotifyDiscarded;
  } else {
    r.Info = std::move(pending_.Info);
  }
  pending_ = {};
  lost_ = false;
  return {seNone, std::move(r)};
}

}  // namespace ostrovel
