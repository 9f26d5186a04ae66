#pragma once
// Where the update worker writes each part of an update file on the device,
// the transfer header block that precedes the brand section, and the
// checksums the device verifies for each write. Offsets and destinations are
// declared here once.
#include <array>
#include <cstddef>
#include <cstdint>

#include "device/command_record.h"

namespace brindle {

// Transfer header block: data area, block 0x80, before the brand section.
namespace transfer_header {
constexpr size_t kMagic = 0;
constexpr size_t kPayloadLength = 4;    // brand section size before padding
constexpr size_t kPayloadChecksum = 8;  // ScrambledByteSum of the unpadded brand section
constexpr size_t kFiller = 12;          // 0xFF up to the end of the block
constexpr size_t kSize = kBlockSize;
constexpr uint32_t kMagicValue = 0x12345678;
constexpr uint8_t kFillerByte = 0xFF;
}  // namespace transfer_header

using TransferHeader = std::array<uint8_t, transfer_header::kSize>;

// m_transferStage values: the step of the update in progress. Stage 1 (the
// header block) does not count as progress; kStageFinished ends the run.
enum TransferStage : uint8_t {
  kStageBrandHeader = 1,
  kStageBrandData = 2,
  kStageSectionD = 4,
  kStageSectionC = 5,
  kStageSectionE = 6,
  kStageSectionA = 7,
  kStageVerify = 8,      // reading the written sections back
  kStageFinished = 255,  // no transfer running
};

// True for the stages whose acknowledged bytes count as transfer progress.
constexpr bool CountsAsProgress(uintptr_t stage) {
  switch (stage) {
    case kStageBrandData:
    case kStageSectionD:
    case kStageSectionC:
    case kStageSectionE:
    case kStageSectionA: return true;
    default: return false;
  }
}

struct SectionDestination {
  uint8_t area;
  uint32_t block;
  TransferStage stage;
  bool scrambled;  // checksum over the unpadded bytes scrambled, with dataLength
  bool retried;    // up to ten attempts on devices that answer honestly
};

constexpr SectionDestination kDestinationA = {kParameterArea, 0x00, kStageSectionA, true, true};
constexpr SectionDestination kDestinationHeader = {kDataArea, 0x80, kStageBrandHeader, false, true};
constexpr SectionDestination kDestinationBrand = {kDataArea, 0x90, kStageBrandData, true, true};
constexpr SectionDestination kDestinationC = {kDataArea, 0x160, kStageSectionC, true, false};
constexpr SectionDestination kDestinationD = {kDataArea, 0xDE0, kStageSectionD, false, false};
constexpr SectionDestination kDestinationE = {kDataArea, 0x2DE0, kStageSectionE, true, false};

// The header block for a brand section of payloadLength bytes.
TransferHeader BuildTransferHeader(uint32_t payloadLength, uint32_t payloadChecksum);

// Checksum of a padded section of which the first unpadded bytes are data:
// scrambled, ScrambledByteSum of the data plus ByteSum of the 0xFF padding;
// plain, ByteSum of every padded byte.
uint32_t SectionChecksum(const uint8_t* padded, size_t paddedSize, size_t unpadded, bool scrambled);

}  // namespace brindle
