#include "uSpoolName.h"

#include <cwctype>

namespace ostrovel {

namespace {

char16_t Fold(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? c + 32 : c;
  return static_cast<char16_t>(std::towlower(static_cast<wint_t>(c)));
}

}  // namespace

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

TSpoolName ParseSpoolName(std::u16string_view name) {
  TSpoolName r;
  // A job suffix: ",Job " and one to ten digits at the end.
  constexpr std::u16string_view kJob = u",Job ";
  const size_t comma = name.rfind(kJob);
  if (comma != std::u16string_view::npos) {
    const std::u16string_view digits = name.substr(comma + kJob.size());
    uint64_t id = 0;
    bool ok = !digits.empty() && digits.size() <= 10;
    for (char16_t c : digits) {
      if (c < u'0' || c > u'9')
        ok = false;
      else
        id = id * 10 + (c - u'0');
    }
    if (ok && id <= UINT32_MAX) {
      r.IsJob = true;
      r.JobId = static_cast<uint32_t>(id);
      name = name.substr(0, comma);
    }
  }
  if (name.starts_with(u"\\\\")) {
    name.remove_prefix(2);
    const size_t slash = name.find(u'\\');
    r.Server = name.substr(0, slash);
    if (slash != std::u16string_view::npos) r.Printer = name.substr(slash + 1);
  } else {
    r.Printer = name;
  }
  return r;
}

}  // namespace ostrovel
