// Host time per report of the largest section, through the whole stack:
// CHidCmd, CHidIO and the backend seam to a zero-latency simulated device.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/byte_sum.h"
#include "device/hid_cmd.h"
#include "sim/sim_backend.h"

namespace {

using namespace brindle;

class CCountingTarget final : public IMessageTarget {
 public:
  void PostMessage(uint32_t, WPARAM, LPARAM lParam) override { bytes += lParam; }
  int64_t bytes = 0;
};

void BM_SendBlocksLargestSection(benchmark::State& state) {
  constexpr uint32_t kBlocks = 0x5220;
  auto sim = std::make_shared<CSimDevice>();
  CHidCmd hid(std::make_shared<CSimBackend>(sim));
  CCountingTarget target;
  hid.SetProgressWindow(&target);
  if (!hid.Connect()) {
    state.SkipWithError("no simulated device");
    return;
  }
  std::vector<uint8_t> data(size_t{kBlocks} * kBlockSize);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13);
  const uint32_t sum = ByteSum(data.data(), data.size());
  for (auto _ : state) {
    hid.SendCommand(kCmdWriteBlocks, 0x2DE0, kBlocks, 0, kDataArea, sum);
    if (hid.SendBlocks(kBlocks, data.data()) != static_cast<int>(data.size())) {
      state.SkipWithError("transfer failed");
      return;
    }
  }
  const int64_t reports = int64_t{kBlocks} * 4;
  state.counters["ns_per_report"] =
      benchmark::Counter(static_cast<double>(reports) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_SendBlocksLargestSection)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
