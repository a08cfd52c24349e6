#include "uEvent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace ostrovel {

TEvent::TEvent(bool signalled) : fd_(eventfd(signalled ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TEvent::~TEvent() {
  if (fd_ >= 0) close(fd_);
}

void TEvent::Set() {
  // The counter only needs to be non-zero; an overflowing write just fails.
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

void TEvent::Reset() {
  uint64_t value;
  [[maybe_unused]] ssize_t n = read(fd_, &value, sizeof value);
}

bool TEvent::Wait(int timeoutMs) const {
  pollfd p{fd_, POLLIN, 0};
  int r;
  while ((r = poll(&p, 1, timeoutMs)) < 0 && errno == EINTR) {
  }
  return r > 0 && (p.revents & POLLIN);
}

int WaitForTwo(int wakeFd, int changeFd, int timeoutMs) {
  pollfd p[2] = {{wakeFd, POLLIN, 0}, {changeFd, POLLIN, 0}};
  const nfds_t count = changeFd >= 0 ? 2 : 1;
  int r;
  while ((r = poll(p, count, timeoutMs)) < 0 && errno == EINTR) {
  }
  if (r < 0) return -1;
  if (r == 0) return 2;
  if (p[0].revents & POLLIN) return 0;
  if (count == 2 && (p[1].revents & (POLLIN | POLLHUP))) return 1;
  return -1;
}

}  // namespace ostrovel
