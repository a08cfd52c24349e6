// Users, computers, folders and the start-up step.
#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>

#include "uProcs.h"
#include "uText.h"

namespace ostrovel {

namespace {

std::u16string localName;

struct TFoldLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char16_t x, char16_t y) { return std::towlower(x) < std::towlower(y); });
  }
};

// The computer-name cache: key → name, and the keys oldest first.
constexpr size_t kCacheKeys = 250;
std::mutex cacheLock;
std::map<std::u16string, std::u16string, TFoldLess> cache;
std::deque<std::u16string> cacheOrder;
THostResolver resolver = &ResolveHostName;  // guarded by cacheLock

std::u16string WithoutBackslashes(std::u16string_view machine) {
  if (machine.starts_with(u'\\')) machine.remove_prefix(std::min<size_t>(2, machine.size()));
  return std::u16string(machine);
}

std::u16string ShortHost(const char* official) {
  std::string_view name(official);
  const size_t dot = name.find('.');
  if (dot != std::string_view::npos && dot != 0) name = name.substr(0, dot);
  return Utf8ToWide(name);
}

}  // namespace

std::u16string LocalComputerNameFrom(std::string_view hostName) {
  std::u16string name = Utf8ToWide(hostName.substr(0, hostName.find('.')));
  if (name.size() > 15) name.resize(15);
  for (auto& c : name) c = static_cast<char16_t>(std::towupper(c));
  return name;
}

void InitProcs() {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  localName = LocalComputerNameFrom(host);

  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  SetDaylightAtStart(local.tm_isdst > 0);

  ResetStatusNames();
  std::lock_guard lock(cacheLock);
  cache.clear();
  cacheOrder.clear();
}

const std::u16string& LocalComputerName() {
  return localName;
}

TUserInfo LookupUserInfo(std::u16string_view user) {
  TUserInfo info;
  // No directory service here: the user database gives the full name and
  // the rest of the user's description.
  passwd pw{}, *found = nullptr;
  std::string buffer(16384, '\0');
  const std::string name = WideToUtf8(user);
  if (getpwnam_r(name.c_str(), &pw, buffer.data(), buffer.size(), &found) != 0 || !found)
    return info;
  const std::string_view gecos = pw.pw_gecos ? pw.pw_gecos : "";
  const size_t comma = gecos.find(',');
  info.FullName = Utf8ToWide(gecos.substr(0, comma));
  if (comma == std::string_view::npos) return info;
  std::string comment;
  for (std::string_view rest = gecos.substr(comma + 1);;) {
    const size_t next = rest.find(',');
    const std::string_view part = rest.substr(0, next);
    if (!part.empty()) comment.append(comment.empty() ? "" : ", ").append(part);
    if (next == std::string_view::npos) break;
    rest.remove_prefix(next + 1);
  }
  info.Comment = Utf8ToWide(comment);
  return info;
}

std::u16string DirectoryPathOf(std::u16string_view canonicalName) {
  const size_t slash = canonicalName.rfind(u'/');
  return std::u16string(slash == std::u16string_view::npos ? canonicalName
                                                           : canonicalName.substr(0, slash + 1));
}

std::u16string ResolveHostName(std::u16string_view name) {
  const std::string host = WideToUtf8(name);
  in_addr address{};
  if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr = address;
    char official[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, official, sizeof official, nullptr,
                    0, NI_NAMEREQD) == 0)
      return ShortHost(official);
    return std::u16string(name);
  }
  addrinfo hints{}, *list = nullptr;
  hints.ai_family = AF_INET;
  hints.ai_flags = AI_CANONNAME;
  if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0)
    return std::u16string(name);
  std::u16string result =
      list && list->ai_canonname ? ShortHost(list->ai_canonname) : std::u16string(name);
  freeaddrinfo(list);
  return result;
}

std::u16string LookupComputerName(std::u16string_view machine) {
  const std::u16string key(machine);
  THostResolver resolve;
  {
    std::lock_guard lock(cacheLock);
    if (const auto it = cache.find(key); it != cache.end()) return it->second;
    resolve = resolver;
  }
  // Resolving can take seconds: the other watchers keep using the cache
  // meanwhile.
  std::u16string name;
  try {
    name = resolve(WithoutBackslashes(machine));
  } catch (...) {
    return WithoutBackslashes(machine);
  }
  if (name.size() > 20) name.resize(20);
  std::lock_guard lock(cacheLock);
  if (cache.emplace(key, name).second) {
    cacheOrder.push_back(key);
    if (cacheOrder.size() > kCacheKeys) {
      cache.erase(cacheOrder.front());
      cacheOrder.pop_front();
    }
  }
  return name;
}

void SetHostResolver(THostResolver r) {
  std::lock_guard lock(cacheLock);
  resolver = r ? r : &ResolveHostName;
  cache.clear();
  cacheOrder.clear();
}

std::optional<std::string> AppDataFolder() {
  std::string base;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
    base = data;
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = std::string(home) + "/.local/share";
  else
    return std::nullopt;
  const std::string folder = base + "/Ostrovel/";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!std::filesystem::is_directory(folder, error)) return std::nullopt;
  return folder;
}

bool WaitSignalled(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 5) == 1 && (p.revents & POLLIN);
}

TPaperDimensions PaperDimensions(const TDevModeW& dm) {
  return {static_cast<uint16_t>(dm.dmPaperWidth), static_cast<uint16_t>(dm.dmPaperLength)};
}

}  // namespace ostrovel
