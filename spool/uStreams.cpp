#include "uStreams.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrovel {

TCustomMappedStream::~TCustomMappedStream() {
  UnmapView();
}

void TCustomMappedStream::MapView(int fd) {
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0 || st.st_size <= 0) return;
  void* view = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (view == MAP_FAILED) return;
  view_ = static_cast<const uint8_t*>(view);
  size_ = st.st_size;
}

void TCustomMappedStream::UnmapView() {
  if (view_ && !borrowed_) munmap(const_cast<uint8_t*>(view_), static_cast<size_t>(size_));
  view_ = nullptr;
  size_ = 0;
}

TFileStreamEx::TFileStreamEx(int fd) : fd_(fd) {
  MapView(fd);
}

TFileStreamEx::~TFileStreamEx() {
  UnmapView();
  if (fd_ >= 0) close(fd_);
}

std::unique_ptr<TFileStreamEx> TFileStreamEx::Open(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<TFileStreamEx>(fd);
}

}  // namespace ostrovel
