// The EMF scan on arbitrary bytes: it must end, stay inside the file and
// never build more pages than the file has page records.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "ParserEmfSpl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrovel;
  const int fd = memfd_create("emf", 0);
  if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size)) return 0;
  TEmfScanInput input;
  input.SpoolSize = static_cast<int64_t>(size);
  input.Geometry = [](const TDevModeW*, int, TPageGeometry& out) {
    out = {1, 2, 3, 4, 5, 6};
    return true;
  };
  TArraySplStream pages;
  TSPLInfo info;
  ScanEmfSpool(fd, input, pages, info);
  close(fd);
  if (pages.size() > size / 8) std::abort();
  return 0;
}
