// Small EMF spool files made by hand: a 16-byte header (version, header
// size, no document or output name), then type/size records.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "ParserEmfSpl.h"

namespace ostrovel::test {

class TEmfSpoolFile {
 public:
  TEmfSpoolFile() {
    U32(kEmfSpoolVersion);
    U32(16);
    U32(0);
    U32(0);
  }
  TEmfSpoolFile& Record(uint32_t type, const std::string& payload) {
    U32(type);
    U32(static_cast<uint32_t>(payload.size()));
    bytes_ += payload;
    return *this;
  }
  TEmfSpoolFile& DevMode(int16_t copies, int16_t orientation, uint16_t extra = 0) {
    TDevModeW dm{};
    dm.dmSize = sizeof dm;
    dm.dmDriverExtra = extra;
    dm.dmFields = dmfCopies | dmfOrientation;
    dm.dmCopies = copies;
    dm.dmOrientation = orientation;
    std::string payload(reinterpret_cast<const char*>(&dm), sizeof dm);
    payload.append(extra, '\x5a');
    return Record(emriDevMode, payload);
  }
  TEmfSpoolFile& Page(const std::string& data = "EMF page data") {
    return Record(emriMetafileData, data);
  }
  TEmfSpoolFile& Font() { return Record(emriEngineFont, "font"); }
  const std::string& Bytes() const { return bytes_; }
  // Where the next record's payload will start.
  int64_t NextPayload() const { return static_cast<int64_t>(bytes_.size()) + 8; }

 private:
  void U32(uint32_t v) { bytes_.append(reinterpret_cast<const char*>(&v), 4); }
  std::string bytes_;
};

}  // namespace ostrovel::test
