// vm-report-rate: reports per second through the HID transport exactly as the
// program drives it (CHidCmd over the hidapi backend), for the VM test. Block
// reads move one output and five input reports each; block writes a command,
// 256 data reports and a status reply per 64 blocks, into a scratch range of
// the data area.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "device/hid_cmd.h"
#include "device/hidapi_backend.h"

using namespace brindle;

namespace {

constexpr uint32_t kScratchBlock = 0x6000;  // past every update section
constexpr uint32_t kBlocksPerWrite = 64;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 0;
  if (argc != 2 || rounds <= 0) {
    std::fprintf(stderr, "usage: vm-report-rate ROUNDS\n");
    return 2;
  }
  CHidCmd hid(std::make_shared<CHidapiBackend>());
  hid.Connect();
  if (!hid.IsConnected()) {
    std::printf("no device\n");
    return 3;
  }

  uint8_t block[kBlockSize];
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    if (hid.ReadBlock(kDataArea, kDataDateBlock, block) != static_cast<int>(kBlockSize)) {
      std::printf("read %d failed\n", i);
      return 1;
    }
  }
  const double readSeconds = Seconds(start);
  const double readReports = rounds * 6.0;
  std::printf("reads: %.0f reports in %.0f ms, %.0f reports/s\n", readReports, readSeconds * 1000,
              readReports / readSeconds);

  std::vector<uint8_t> data(kBlocksPerWrite * kBlockSize);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
  const int writes = rounds / 20 + 1;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < writes; ++i) {
    if (!hid.SendCommand(kCmdWriteBlocks, kScratchBlock, kBlocksPerWrite, 0, kDataArea, 0) ||
        hid.SendBlocks(kBlocksPerWrite, data.data()) != static_cast<int>(data.size())) {
      std::printf("write %d failed\n", i);
      return 1;
    }
  }
  const double writeSeconds = Seconds(start);
  const double writeReports = writes * (kBlocksPerWrite * 4.0 + 2);
  std::printf("writes: %.0f reports in %.0f ms, %.0f reports/s, %.0f KiB/s\n", writeReports,
              writeSeconds * 1000, writeReports / writeSeconds, writes * data.size() / 1024.0 / writeSeconds);
  return 0;
}
