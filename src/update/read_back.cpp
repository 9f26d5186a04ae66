#include "update/read_back.h"

#include <algorithm>
#include <array>

namespace brindle {

namespace {

// The blocks of write s that a read-back of depth reads, as offsets from its
// first block, in order.
template <typename F>
bool ForEachBlock(const SectionImage& s, ReadBackDepth depth, F&& f) {
  const uint32_t count = s.BlockCount();
  if (count == 0) return true;
  if (depth == ReadBackDepth::kEnds) {
    if (!f(0u)) return false;
    return count == 1 || f(count - 1);
  }
  for (uint32_t i = 0; i < count; ++i)
    if (!f(i)) return false;
  return true;
}

}  // namespace

uint64_t ReadBackBlocks(const UpdateImage& image, ReadBackDepth depth) {
  uint64_t n = 0;
  for (const SectionImage& s : image.writes) ForEachBlock(s, depth, [&](uint32_t) { return ++n, true; });
  return n;
}

ReadBackResult ReadBack(CHidCmd& hid, const UpdateImage& image, ReadBackDepth depth,
                        TransferProgress& progress, const std::atomic<bool>& stop, size_t fromWrite,
                        uint32_t fromBlock) {
  ReadBackResult result;
  std::array<uint8_t, kBlockSize> block{};
  for (size_t w = fromWrite; w < image.writes.size(); ++w) {
    const SectionImage& s = image.writes[w];
    const bool done = ForEachBlock(s, depth, [&](uint32_t i) {
      const uint32_t address = s.destination.block + i;
      if (w == fromWrite && address < fromBlock) return true;
      if (stop.load(std::memory_order_acquire)) {
        result = {ReadBackResult::kStopped, w, address, LinkFailure::kNone};
        return false;
      }
      hid.ClearTransportFailure();
      if (hid.ReadBlock(s.destination.area, address, block.data()) != static_cast<int>(kBlockSize)) {
        result = {ReadBackResult::kUnreadable, w, address, hid.LastLinkFailure()};
        return false;
      }
      progress.bytesDone.fetch_add(kBlockSize, std::memory_order_relaxed);
      if (!std::equal(block.begin(), block.end(), s.data.begin() + std::ptrdiff_t{i} * kBlockSize)) {
        result = {ReadBackResult::kDiffers, w, address, LinkFailure::kNone};
        return false;
      }
      return true;
    });
    if (!done) return result;
  }
  return result;
}

}  // namespace brindle
