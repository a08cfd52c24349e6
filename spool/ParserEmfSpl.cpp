#include "ParserEmfSpl.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace ostrovel {

namespace {

// Device-mode records larger than this keep only their first bytes: the
// scan reads nothing beyond the public part.
constexpr uint32_t kDevModeKeep = 64 * 1024;

bool ReadAt(int fd, int64_t pos, void* bytes, size_t size) {
  return pread(fd, bytes, size, pos) == static_cast<ssize_t>(size);
}

}  // namespace

TEmfAction EmfAction(uint32_t type) {
  switch (type) {
    case 0:
      return TEmfAction::NextHeader;
    case emriEngineFont:
    case emriType1Font:
    case emriDesignVector:
    case emriSubsetFont:
    case emriDeltaFont:
    case emriEngineFontExt:
    case emriType1FontExt:
    case emriDesignVectorExt:
    case emriSubsetFontExt:
    case emriDeltaFontExt:
      return TEmfAction::Font;
    case emriDevMode:
      return TEmfAction::DevMode;
    case emriMetafileData:
    case emriPsJobData:
      return TEmfAction::Page;
    case emriMetafileExt:
    case emriBwMetafileExt:
      return TEmfAction::Skip;
    default:  // metafiles, the pre-start-page record and anything unknown
      return TEmfAction::Stop;
  }
}

TDevModeW DevModeFromBytes(const std::vector<uint8_t>& bytes) {
  TDevModeW dm{};
  std::memcpy(&dm, bytes.data(), std::min(bytes.size(), sizeof dm));
  return dm;
}

bool ScanEmfSpool(int fd, TEmfScanInput& input, TArraySplStream& pages, TSPLInfo& info) {
  uint32_t head[2];
  if (!ReadAt(fd, 0, head, sizeof head) || head[0] != kEmfSpoolVersion) return false;
  info.Language = slEmf;

  std::vector<uint8_t>& devMode = input.DevMode;
  int64_t& devModeOffset = input.DevModeOffset;
  int64_t& devModeSize = input.DevModeSize;
  int16_t lastOrientation = devMode.empty() ? 0 : DevModeFromBytes(devMode).dmOrientation;

  auto query = [&](TSplPageRecord& page) {
    if (!input.Geometry) return;
    TDevModeW dm{};
    const TDevModeW* current = nullptr;
    if (!devMode.empty()) current = &(dm = DevModeFromBytes(devMode));
    input.Geometry(current, 0, page.Device);
    input.Geometry(current, 1, page.Mm);
  };

  int64_t pos = head[1];
  uint32_t h[2];
  bool have = ReadAt(fd, pos, h, sizeof h);
  while (have) {
    const uint32_t type = h[0], size = h[1];
    const int64_t payload = pos + 8;
    const int64_t next = payload + size;
    switch (EmfAction(type)) {
      case TEmfAction::NextHeader:
        pos = next;
        have = ReadAt(fd, pos, h, sizeof h) && h[0] != 0;
        continue;
      case TEmfAction::Stop:
        have = false;
        continue;
      case TEmfAction::Font:
        if (!pages.empty()) {
          pages.back().FontOffset = payload + input.SpoolBase;
          pages.back().FontSize = size;
        }
        break;
      case TEmfAction::DevMode: {
        std::vector<uint8_t> bytes(std::min(size, kDevModeKeep));
        if (!ReadAt(fd, payload, bytes.data(), bytes.size())) {
          have = false;
          continue;
        }
        devMode = std::move(bytes);
        devModeOffset = payload + input.SpoolBase;
        devModeSize = size;
        if (!pages.empty()) {
          pages.back().DevModeOffset = devModeOffset;
          pages.back().DevModeSize = devModeSize;
        }
        if (pages.size() == 1) {
          info.Copies = DevModeFromBytes(devMode).dmCopies;
          info.Flags |= siCopies;
        }
        break;
      }
      case TEmfAction::Page: {
        TSplPageRecord page;
        page.JobId = input.JobId;
        page.DataOffset = payload + input.SpoolBase;
        page.DataSize = size;
        page.DevModeOffset = devModeOffset;
        page.DevModeSize = devModeSize;
        if (!pages.empty() && pages.back().DevModeOffset == page.DevModeOffset) {
          page.Device = pages.back().Device;
          page.Mm = pages.back().Mm;
        } else {
          query(page);
        }
        if (!devMode.empty()) {
          const int16_t orientation = DevModeFromBytes(devMode).dmOrientation;
          if (orientation != lastOrientation) {
            page.OrientationChanged = 1;
            lastOrientation = orientation;
          }
        }
        pages.push_back(std::move(page));
        break;
      }
      case TEmfAction::Skip:
        break;
    }
    pos = next;
    have = ReadAt(fd, pos, h, sizeof h);
  }

  if (!pages.empty()) {
    pages.front().Language = slEmf;
    pages.front().SpoolBase = input.SpoolBase;
    pages.front().SpoolSize = input.SpoolSize;
  }
  return true;
}

}  // namespace ostrovel
