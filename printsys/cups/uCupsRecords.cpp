#include "uCupsRecords.h"

#include <cups/pwg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "uCupsStatus.h"
#include "uText.h"

namespace ostrovel {

const char* const kCupsPrinterAttributes[] = {
    "printer-name",           "printer-state",     "printer-state-reasons",
    "printer-info",           "printer-location",  "device-uri",
    "printer-make-and-model", "printer-is-shared", "printer-is-accepting-jobs",
    "printer-type",           "queued-job-count",
};
const int kCupsPrinterAttributeCount = std::size(kCupsPrinterAttributes);

const char* const kCupsJobAttributes[] = {
    "job-id",
    "job-originating-user-name",
    "job-originating-host-name",
    "job-name",
    "document-format",
    "job-state",
    "job-state-reasons",
    "job-printer-state-reasons",
    "job-priority",
    "job-k-octets",
    "job-impressions",
    "job-impressions-completed",
    "time-at-creation",
    "job-hold-until",
    "number-of-documents",
    "copies",
    "media",
    "sides",
    "orientation-requested",
    "print-color-mode",
    "print-quality",
};
const int kCupsJobAttributeCount = std::size(kCupsJobAttributes);

namespace {

constexpr uint32_t kTypeRemote = 0x2, kTypeDefault = 0x20000;

uint32_t Clamp32(long long v) {
  return static_cast<uint32_t>(std::clamp<long long>(v, 0, UINT32_MAX));
}

void SetFormName(TDevModeW& dm, std::u16string_view name) {
  const size_t n = std::min<size_t>(name.size(), 31);
  std::memcpy(dm.dmFormName, name.data(), n * sizeof(char16_t));
  dm.dmFormName[n] = 0;
}

}  // namespace

TPrinterInfo CupsPrinterInfo(const TIppObject& o, const std::u16string& prefix) {
  TPrinterInfo p;
  const std::u16string name = Utf8ToWide(IppString(o, "printer-name"));
  p.Name = prefix + name;
  if (!prefix.empty()) p.ServerName = prefix.substr(0, prefix.size() - 1);
  const uint32_t type = static_cast<uint32_t>(IppInteger(o, "printer-type"));
  if (IppBoolean(o, "printer-is-shared")) p.ShareName = name;
  p.PortName = Utf8ToWide(IppString(o, "device-uri"));
  p.DriverName = Utf8ToWide(IppString(o, "printer-make-and-model"));
  p.Comment = Utf8ToWide(IppString(o, "printer-info"));
  p.Location = Utf8ToWide(IppString(o, "printer-location"));
  p.Attributes = patQueued | ((type & kTypeRemote) ? patNetwork : patLocal);
  if (!p.ShareName.empty()) p.Attributes |= patShared;
  if (type & kTypeDefault) p.Attributes |= patDefault;
  // Rejecting jobs is how a queue works offline here.
  if (!IppBoolean(o, "printer-is-accepting-jobs", true)) p.Attributes |= patWorkOffline;
  p.Status =
      CupsPrinterStatus(IppInteger(o, "printer-state", 3), IppStrings(o, "printer-state-reasons"));
  p.JobCount = Clamp32(IppInteger(o, "queued-job-count"));
  return p;
}

TSystemTime CupsTime(time_t t) {
  tm u{};
  gmtime_r(&t, &u);
  return {static_cast<uint16_t>(u.tm_year + 1900), static_cast<uint16_t>(u.tm_mon + 1),
          static_cast<uint16_t>(u.tm_wday),        static_cast<uint16_t>(u.tm_mday),
          static_cast<uint16_t>(u.tm_hour),        static_cast<uint16_t>(u.tm_min),
          static_cast<uint16_t>(u.tm_sec),         0};
}

int CupsHoldMinutes(std::string_view s) {
  auto two = [&](size_t at) {
    if (s.size() < at + 2 || s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9')
      return -1;
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
  };
  if ((s.size() != 5 && s.size() != 8) || s[2] != ':' || (s.size() == 8 && s[5] != ':')) return -1;
  const int h = two(0), m = two(3);
  if (h < 0 || h > 23 || m < 0 || m > 59) return -1;
  return h * 60 + m;
}

TDevModeW CupsDevMode(const TIppObject& o, const char* suffix) {
  auto name = [&](const char* base) { return std::string(base) + suffix; };
  TDevModeW dm{};
  dm.dmSize = sizeof(TDevModeW);
  // IPP's own defaults where the job names none: one-sided, portrait, normal quality.
  dm.dmDuplex = 1;
  dm.dmOrientation = 1;
  dm.dmPrintQuality = -3;
  dm.dmCopies = static_cast<int16_t>(std::clamp(IppInteger(o, name("copies"), 1), 1, 9999));
  dm.dmFields = dmfCopies;

  const std::string media = IppString(o, name("media"));
  pwg_media_t* pwg = media.empty() ? nullptr : pwgMediaForPWG(media.c_str());
  if (!pwg && !media.empty()) pwg = pwgMediaForLegacy(media.c_str());
  if (pwg) {
    dm.dmPaperWidth = static_cast<int16_t>(pwg->width / 10);
    dm.dmPaperLength = static_cast<int16_t>(pwg->length / 10);
    dm.dmFields |= dmfPaperWidth | dmfPaperLength;
    const auto& forms = CupsForms();
    for (size_t i = 0; i < forms.size(); ++i) {
      if (std::abs(forms[i].Width / 100 - dm.dmPaperWidth) <= 10 &&
          std::abs(forms[i].Length / 100 - dm.dmPaperLength) <= 10) {
        dm.dmPaperSize = static_cast<int16_t>(i + 1);
        dm.dmFields |= dmfPaperSize;
        SetFormName(dm, forms[i].Name);
        break;
      }
    }
  }

  const std::string sides = IppString(o, name("sides"));
  if (!sides.empty()) {
    dm.dmDuplex = sides == "two-sided-long-edge" ? 2 : sides == "two-sided-short-edge" ? 3 : 1;
    dm.dmFields |= dmfDuplex;
  }
  const int orientation = IppInteger(o, name("orientation-requested"));
  if (orientation >= 3 && orientation <= 6) {
    dm.dmOrientation = (orientation == 4 || orientation == 5) ? 2 : 1;
    dm.dmFields |= dmfOrientation;
  }
  const std::string colour = IppString(o, name("print-color-mode"));
  if (!colour.empty()) {
    dm.dmColor = colour.find("monochrome") != std::string::npos ? 1 : 2;
    dm.dmFields |= dmfColor;
  }
  const int quality = IppInteger(o, name("print-quality"));
  if (quality >= 3 && quality <= 5) {
    dm.dmPrintQuality = quality == 3 ? -1 : quality == 4 ? -3 : -4;
    dm.dmFields |= dmfPrintQuality;
  }
  return dm;
}

TJobInfo CupsJobInfo(const TIppObject& o, const std::u16string& printerName) {
  TJobInfo j;
  j.JobId = Clamp32(IppInteger(o, "job-id"));
  j.PrinterName = printerName;
  j.MachineName = Utf8ToWide(IppString(o, "job-originating-host-name"));
  j.UserName = Utf8ToWide(IppString(o, "job-originating-user-name"));
  j.Document = Utf8ToWide(IppString(o, "job-name"));
  j.DataType = Utf8ToWide(IppString(o, "document-format"));
  j.Status = CupsJobStatus(IppInteger(o, "job-state", 3), IppStrings(o, "job-state-reasons"),
                           IppStrings(o, "job-printer-state-reasons"));
  j.Priority = static_cast<uint32_t>(std::clamp(IppInteger(o, "job-priority", 50), 1, 99));
  j.Size = Clamp32(static_cast<long long>(IppInteger(o, "job-k-octets")) * 1024);
  j.TotalPages = Clamp32(IppInteger(o, "job-impressions"));
  j.PagesPrinted = Clamp32(IppInteger(o, "job-impressions-completed"));
  j.Submitted = CupsTime(IppInteger(o, "time-at-creation"));
  const int start = CupsHoldMinutes(IppString(o, "job-hold-until"));
  if (start >= 0) j.StartTime = static_cast<uint32_t>(start);
  j.DevMode = CupsDevMode(o, "");
  return j;
}

std::vector<TJobInfo> CupsQueue(ipp_t* response, const std::u16string& printerName) {
  struct Entry {
    int Priority;
    TJobInfo Job;
  };
  std::vector<Entry> entries;
  for (const auto& o : IppObjects(response, IPP_TAG_JOB)) {
    if (IppInteger(o, "job-state", 3) > 6) continue;  // finished
    entries.push_back({IppInteger(o, "job-priority", 50), CupsJobInfo(o, printerName)});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.Priority != b.Priority ? a.Priority > b.Priority : a.Job.JobId < b.Job.JobId;
  });
  std::vector<TJobInfo> jobs;
  for (auto& e : entries) {
    jobs.push_back(std::move(e.Job));
    jobs.back().Position = static_cast<uint32_t>(jobs.size());
  }
  return jobs;
}

const std::vector<TFormSize>& CupsForms() {
  // The classic paper codes 1 to 13, sizes in thousandths of a millimetre.
  static const std::vector<TFormSize> forms = {
      {u"Letter", 215900, 279400},    {u"Letter Small", 215900, 279400},
      {u"Tabloid", 279400, 431800},   {u"Ledger", 431800, 279400},
      {u"Legal", 215900, 355600},     {u"Statement", 139700, 215900},
      {u"Executive", 184150, 266700}, {u"A3", 297000, 420000},
      {u"A4", 210000, 297000},        {u"A4 Small", 210000, 297000},
      {u"A5", 148000, 210000},        {u"B4 (JIS)", 257000, 364000},
      {u"B5 (JIS)", 182000, 257000},
  };
  return forms;
}

}  // namespace ostrovel
