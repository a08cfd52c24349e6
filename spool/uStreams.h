// Read-only memory-mapped file streams for the spool parsers.
//
// A stream maps a whole file once and then reads, peeks and seeks over the
// view without copying more than each call asks for, so large spool files are
// walked without being loaded. Positions are 64-bit and never clamped: a seek
// may go past either end, and reads there simply return nothing.
//
// Threads: a stream belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>

namespace ostrovel {

class TCustomMappedStream {
 public:
  enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

  TCustomMappedStream(const TCustomMappedStream&) = delete;
  TCustomMappedStream& operator=(const TCustomMappedStream&) = delete;
  virtual ~TCustomMappedStream();

  // Copies up to count bytes at the position and advances past them.
  // Returns the number copied; 0 at or past either end and without a view.
  int64_t Read(void* buffer, int64_t count) {
    const int64_t n = Peek(buffer, count);
    position_ += n;
    return n;
  }

  // As Read, without moving the position.
  int64_t Peek(void* buffer, int64_t count) const {
    const int64_t n = Available(count);
    if (n > 0) std::memcpy(buffer, view_ + position_, static_cast<size_t>(n));
    return n;
  }

  // Sets the position relative to the start, the position or the end.
  int64_t Seek(int64_t offset, int origin) {
    switch (origin) {
      case soBeginning:
        position_ = offset;
        break;
      case soCurrent:
        position_ += offset;
        break;
      case soEnd:
        position_ = size_ + offset;
        break;
      default:
        break;
    }
    return position_;
  }

  int64_t Position() const { return position_; }
  int64_t Size() const { return size_; }
  bool Mapped() const { return view_ != nullptr; }

  // The whole mapped file (empty without a view), for scans that look ahead
  // with memchr and friends instead of reading byte by byte.
  std::span<const uint8_t> Bytes() const {
    return view_ ? std::span<const uint8_t>(view_, static_cast<size_t>(size_))
                 : std::span<const uint8_t>();
  }

  // Bytes available from the position, at most count (0 outside the data).
  int64_t Available(int64_t count) const {
    if (!view_ || count <= 0 || position_ < 0 || position_ >= size_) return 0;
    const int64_t left = size_ - position_;
    return count < left ? count : left;
  }

 protected:
  TCustomMappedStream() = default;
  // Maps the whole file behind fd read-only; on failure the view stays null.
  void MapView(int fd);
  void UnmapView();
  // Reads bytes the caller keeps alive instead of a mapping.
  void AttachBytes(const uint8_t* bytes, int64_t size) {
    view_ = size > 0 ? bytes : nullptr;
    size_ = size > 0 ? size : 0;
    borrowed_ = true;
  }

 private:
  const uint8_t* view_ = nullptr;
  int64_t position_ = 0;
  int64_t size_ = 0;
  bool borrowed_ = false;
};

// A mapped stream that owns its file descriptor and closes it when destroyed.
// A temporary spool file unlinked after opening disappears with it.
class TFileStreamEx : public TCustomMappedStream {
 public:
  // Takes over fd; an invalid descriptor (< 0) gives an empty stream.
  explicit TFileStreamEx(int fd);
  ~TFileStreamEx() override;

  // Opens path read-only; returns null (errno set) when it cannot be opened.
  static std::unique_ptr<TFileStreamEx> Open(const std::string& path);

  int Handle() const { return fd_; }

 private:
  int fd_;
};

// A stream over bytes in memory that outlive it (tests, fuzzing, buffers
// already in hand).
class TBufferStream : public TCustomMappedStream {
 public:
  TBufferStream(const uint8_t* bytes, int64_t size) { AttachBytes(bytes, size); }
};

}  // namespace ostrovel
