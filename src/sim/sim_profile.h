#pragma once
// The simulated device's profile: what it answers and which faults it injects.
#include <array>
#include <cstdint>
#include <string>

namespace brindle {

// The write faults (failWrites, lyingStatus, badStore) each count the
// WriteBlocks commands that carry data, from the first one on, whatever
// their outcome: every such write uses up one of each count still left, so
// all three run over the same writes. A write that failWrites fails stores
// nothing and answers only that failure. A write the device refuses on its
// own (bad address, data checksum mismatch) is refused as without the
// faults, stores nothing, and still uses up its place in every count.
struct SimFaults {
  int64_t failWrites = 0;           // the first N WriteBlocks end with a non-zero status
  int64_t lyingStatus = 0;          // the first N WriteBlocks are stored, yet answer a non-zero status
  int64_t badStore = 0;             // the first N WriteBlocks answer 0 but store their first byte changed
  int64_t silentAfterReports = -1;  // after N reports the device stops answering
  int64_t unplugAfterReports = -1;  // after N reports the device disappears
  int64_t corruptReplies = 0;       // the first N status replies carry a wrong checksum
  int64_t reportDelayMicros = 0;    // time the device takes per report
};

// How long one report occupies the link. A USB full-speed interrupt
// endpoint moves one report per 1 ms frame.
constexpr int64_t kFullSpeedFrameMicros = 1000;

struct SimProfile {
  uint32_t version = 1008;              // answer to QueryVersion
  int64_t frameMicros = 0;              // 0: reports move at once; else one per frame
  std::array<uint8_t, 256> identity{};  // block 0x70 of area 0
  std::array<uint8_t, 256> settings{};  // block 0x110 of area 0
  uint32_t dataSeconds = 1330560000;    // first bytes of block 0x2DE0 of area 1
  SimFaults faults;
};

// A blank device (identity all 0xFF) with a valid layout-3 settings block.
SimProfile DefaultSimProfile();
// The default settings block: layout 3, model "BR01", bands X, Ku, K1..K4,
// Ka1..Ka5, Laser, all on.
std::array<uint8_t, 256> DefaultSimSettings();

// Parses a profile (JSON object; every key optional) over the defaults.
// False with a readable reason on any unknown key, wrong type or bad value.
bool ParseSimProfile(const std::string& json, SimProfile& profile, std::string& error);
bool LoadSimProfile(const std::string& path, SimProfile& profile, std::string& error);

}  // namespace brindle
