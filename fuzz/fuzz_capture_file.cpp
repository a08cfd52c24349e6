// The capture file reader on arbitrary bytes after the magic: lengths,
// offsets and page sections of any value must be read safely.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "uSPLSaveRead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrovel;
  char name[] = "/tmp/fuzz-capture-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return 0;
  const bool written =
      write(fd, kCaptureMagic, 4) == 4 && write(fd, data, size) == static_cast<ssize_t>(size);
  close(fd);
  if (!written) {
    unlink(name);
    return 0;
  }
  TSPLInfo info;
  TJobInfoBlock block;
  TArraySplStream pages;
  const int handle = ReadCaptureFile(name, info, block, pages);
  for (int slot = 0; slot < kJobInfoSlots; ++slot) (void)block.Text(slot).size();
  (void)block.DevMode();
  CloseCaptureFile(handle, block, pages);
  return 0;
}
