#include "uJobInfoBlock.h"

#include <cstring>

namespace ostrovel {

namespace {
size_t Align8(size_t n) {
  return (n + 7) & ~size_t{7};
}
}  // namespace

void TJobInfoBlock::OffsetsToPointers() {
  if (Empty()) return;
  for (uint64_t& slot : Head().Slots)
    // Items start on 8-byte boundaries; anything else is not ours.
    slot = (slot >= sizeof(TJobInfoHead) && slot < size_ && slot % 8 == 0)
               ? static_cast<uint64_t>(reinterpret_cast<uintptr_t>(Bytes() + slot))
               : 0;
}

void TJobInfoBlock::PointersToOffsets() {
  if (Empty()) return;
  const auto base = reinterpret_cast<uintptr_t>(Bytes());
  for (uint64_t& slot : Head().Slots) slot = slot ? slot - base : 0;
}

std::u16string_view TJobInfoBlock::Text(int slot) const {
  if (Empty() || slot < 0 || slot >= kJobInfoSlots || slot == jisDevMode) return {};
  const uint64_t address = Head().Slots[slot];
  if (!address) return {};
  // Never past the block, even without a terminator.
  const auto* from = reinterpret_cast<const char16_t*>(static_cast<uintptr_t>(address));
  const size_t count =
      static_cast<size_t>(Bytes() + size_ - reinterpret_cast<const uint8_t*>(from)) / 2;
  size_t n = 0;
  while (n < count && from[n] != 0) ++n;
  return std::u16string_view(from, n);
}

const TDevModeW* TJobInfoBlock::DevMode() const {
  if (Empty()) return nullptr;
  const uint64_t address = Head().Slots[jisDevMode];
  if (!address) return nullptr;
  const auto* from = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(address));
  if (Bytes() + size_ - from < static_cast<ptrdiff_t>(sizeof(TDevModeW))) return nullptr;
  return reinterpret_cast<const TDevModeW*>(from);
}

TJobInfoBlock MakeJobInfoBlock(const TJobInfoFields& fields) {
  size_t size = sizeof(TJobInfoHead);
  uint64_t offsets[kJobInfoSlots] = {};
  for (int s = 0; s < kJobInfoSlots; ++s) {
    const size_t bytes = s == jisDevMode
                             ? fields.DevMode.size()
                             : (fields.Texts[s].empty() ? 0 : 2 * (fields.Texts[s].size() + 1));
    if (bytes == 0) continue;
    offsets[s] = size;
    size = Align8(size + bytes);
  }
  TJobInfoBlock block(size);
  std::memset(block.Bytes(), 0, block.Size());
  block.Head() = fields.Head;
  for (int s = 0; s < kJobInfoSlots; ++s) {
    block.Head().Slots[s] = offsets[s];
    if (!offsets[s]) continue;
    if (s == jisDevMode)
      std::memcpy(block.Bytes() + offsets[s], fields.DevMode.data(), fields.DevMode.size());
    else
      std::memcpy(block.Bytes() + offsets[s], fields.Texts[s].data(), 2 * fields.Texts[s].size());
  }
  return block;
}

}  // namespace ostrovel
