#include "cli/device_commands.h"

#include <cstdio>
#include <iostream>

#include "cli/cli_texts.h"

namespace brindle::cli {

int RunVersion(CDeviceSession& session, const std::vector<std::string>& args) {
  if (!args.empty()) {
    ErrorLine() << "version takes no arguments\n" << kUsage;
    return kExitUsage;
  }
  CHidCmd& hid = session.Hid();
  if (!hid.SendCommand(kCmdQueryVersion, kSessionAddress, kSessionCount, 0, 0, 0)) {
    std::cout << kResultNotSent << "\n";
    return kExitFailed;
  }
  CommandRecord reply;
  if (!hid.ReceiveStatus(&reply)) {
    std::cout << kResultBadReply << "\n";
    return kExitFailed;
  }
  std::cout << static_cast<int32_t>(ReplyValue(reply)) << "\n";
  return kExitOk;
}

int RunRead(CDeviceSession& session, const std::vector<std::string>& args) {
  if (args.size() != 2) {
    ErrorLine() << "read takes AREA and BLOCK\n" << kUsage;
    return kExitUsage;
  }
  const auto area = ParseNumber(args[0]);
  const auto block = ParseNumber(args[1]);
  if (!area || *area > 1 || !block) {
    ErrorLine() << "read: AREA is 0 or 1 and BLOCK a number (decimal or 0x hex)\n";
    return kExitUsage;
  }
  uint8_t data[kBlockSize];
  const int n = session.Hid().ReadBlock(static_cast<uint8_t>(*area), *block, data);
  if (n != static_cast<int>(kBlockSize)) {
    ErrorLine() << "read failed: " << n << "\n";
    return kExitFailed;
  }
  for (uint32_t row = 0; row < kBlockSize; row += 16) {
    std::printf("%08x ", (*block * kBlockSize + row));
    for (uint32_t i = 0; i < 16; ++i) std::printf(" %02x", data[row + i]);
    std::printf("  |");
    for (uint32_t i = 0; i < 16; ++i) {
      const uint8_t c = data[row + i];
      std::putchar(c >= 0x20 && c < 0x7F ? c : '.');
    }
    std::printf("|\n");
  }
  return kExitOk;
}

}  // namespace brindle::cli
