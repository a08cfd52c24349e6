// The stream parser on arbitrary bytes: it must end, stay inside the data
// and never fail other than with its conversion error.
#include <cstdint>
#include <memory>

#include "uSPL.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrovel;
  TSpl spl(std::make_unique<TBufferStream>(data, static_cast<int64_t>(size)));
  try {
    spl.Parse();
  } catch (const ESplConvertError&) {
  }
  return 0;
}
