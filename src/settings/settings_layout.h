#pragma once
// The device's 256-byte settings block in its three layouts. Field offsets
// are declared here once; everything that reads or writes the block uses them.
#include <array>
#include <cstddef>
#include <cstdint>

namespace brindle {

using SettingsBlock = std::array<uint8_t, 256>;
using IdentityBlock = std::array<uint8_t, 256>;

// Layouts 1 and 2 share one table of offsets.
namespace layout12 {
constexpr size_t kBlockChecksum = 0x00;
constexpr size_t kFlags = 0x08;
constexpr size_t kTimeZone = 0x0A;
constexpr size_t kBandEnables = 0x0B;  // 12 bytes: X, Ku, K1..K4, KA1..KA5, Laser
constexpr size_t kBandCount = 12;
// Indexes into bandEnables.
constexpr size_t kBandX = 0;
constexpr size_t kBandKu = 1;
constexpr size_t kBandK1 = 2;
constexpr size_t kBandKCount = 4;  // K1..K4
constexpr size_t kBandKA1 = 6;
constexpr size_t kBandKACount = 5;  // KA1..KA5
constexpr size_t kBandLaser = 11;
constexpr size_t kDayStartHour = 0x18;
constexpr size_t kNightStartHour = 0x19;
constexpr size_t kModelCode = 0x1C;
constexpr size_t kProgramVersion = 0x20;
}  // namespace layout12

namespace layout3 {
constexpr size_t kBlockChecksum = 0x00;
constexpr size_t kModelCode = 0x04;
constexpr size_t kProgramVersion = 0x08;
constexpr size_t kFlags = 0x10;
constexpr size_t kTimeZone = 0x12;
constexpr size_t kBandCounts = 0x13;  // five signed counts: X, Ku, K, Ka, Laser
constexpr size_t kBandGroupCount = 5;
constexpr size_t kBandEnables = 0x18;
constexpr size_t kBandEnablesEnd = 0x30;                            // entries end before featureLevel
constexpr size_t kMaxBandEntries = kBandEnablesEnd - kBandEnables;  // 24
constexpr size_t kFeatureLevel = 0x30;
constexpr size_t kDayStartHour = 0x32;
constexpr size_t kNightStartHour = 0x33;
constexpr size_t kRadarType = 0x34;
constexpr size_t kRevision = 0x37;
constexpr size_t kFormatMagic = 0x3B;
constexpr size_t kBandRanges = 0x3F;  // 4 bytes per entry: low, high MHz
constexpr size_t kBandRangeSize = 4;
constexpr size_t kBandRangeHigh = 2;  // within an entry's range, after the 16-bit low
constexpr uint32_t kFormatMagicValue = 0x12345678;
}  // namespace layout3

// modelCode: four ASCII characters, compared as one value.
constexpr size_t kModelCodeSize = 4;

// flags bits shared by all layouts.
constexpr uint8_t kFlagTwelveHourClock = 0x20;
constexpr uint8_t kFlagShowFrequency = 0x40;
constexpr uint8_t kFlagCanShowFrequency = 0x80;  // layout 3, read only

// Offsets of the fields that every layout has, in the table of the given
// layout (1 and 2 share one table; 3 and above use the layout-3 table).
struct CommonFieldOffsets {
  size_t flags;
  size_t timeZone;
  size_t dayStartHour;
  size_t nightStartHour;
  size_t modelCode;
  size_t programVersion;
};
CommonFieldOffsets CommonFields(int layout);

// The highest settings format revision this tool handles.
constexpr int32_t kMaxSettingsRevision = 14;

// Bytes from 0x04 covered by blockChecksum: 24 for layout 1 (and below), 72
// for layout 2, 59 for layout 3 (and above).
size_t ChecksumCoverage(int layout);
// ByteSum of the covered bytes.
uint32_t ComputeBlockChecksum(const SettingsBlock& block, int layout);
// Stores ComputeBlockChecksum at offset 0.
void SealBlock(SettingsBlock& block, int layout);

struct SettingsClass {
  int32_t layout = 0;    // 3, 2, 1; 0 or -1: no usable settings
  int32_t revision = 0;  // layout 3: the block's revision; 1 and 2: 5; else 0
};

// Decides the layout of a freshly read block, first match wins: layout 3
// (magic and 59-byte sum), layout 2 (72-byte sum), layout 1 (24-byte sum,
// and bytes 0x04..0x0B of block cleared), else 0 when the identity left by an
// earlier identification begins with "EXO", otherwise -1.
SettingsClass ClassifySettingsBlock(SettingsBlock& block, const IdentityBlock& identity);

}  // namespace brindle
