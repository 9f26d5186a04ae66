#pragma once
// The 27-byte command and status record shared by commands and replies, and
// the 65-byte report that carries it. Offsets are declared once here.
#include <array>
#include <cstddef>
#include <cstdint>

namespace brindle {

enum DeviceCommand : uint8_t {
  kCmdReadBlock = 0xF2,
  kCmdWriteBlocks = 0xF3,
  kCmdEndSession = 0xF4,
  kCmdQueryVersion = 0xF7,
  kCmdEndUpdate = 0xF9,
};

// Address and count that EndSession and QueryVersion carry in place of a block.
constexpr uint32_t kSessionAddress = 0x12345678;
constexpr uint32_t kSessionCount = 0xABCDEF01;

// Device version from which the update retries writes and ends with EndUpdate.
constexpr uint32_t kRetryingDeviceVersion = 1008;

// Memory areas and the fixed blocks the host addresses.
constexpr uint8_t kParameterArea = 0;
constexpr uint8_t kDataArea = 1;
constexpr uint32_t kBlockSize = 256;
constexpr uint32_t kIdentityBlock = 0x70;
constexpr uint32_t kSettingsBlock = 0x110;
constexpr uint32_t kDataDateBlock = 0x2DE0;

constexpr size_t kReportLength = 65;  // report id + 64 payload bytes
constexpr size_t kReportPayload = 64;
constexpr uint8_t kReportFiller = 0xCC;  // unused report bytes, never zero

namespace record {
constexpr size_t kCode = 0;
constexpr size_t kRecordLength = 1;
constexpr size_t kBlockAddress = 2;  // status in a reply
constexpr size_t kBlockCount = 6;    // value in a reply
constexpr size_t kDataLength = 10;
constexpr size_t kArea = 14;
constexpr size_t kDataChecksum = 15;
constexpr size_t kMagic = 19;
constexpr size_t kRecordChecksum = 23;
constexpr size_t kSize = 27;
constexpr uint8_t kLengthValue = 23;
constexpr uint32_t kMagicValue = 0x43444948;  // "HIDC"
}  // namespace record

using CommandRecord = std::array<uint8_t, record::kSize>;
using Report = std::array<uint8_t, kReportLength>;

struct CommandFields {
  uint8_t code = 0;
  uint32_t blockAddress = 0;
  uint32_t blockCount = 0;
  uint32_t dataLength = 0;
  uint8_t area = 0;
  uint32_t dataChecksum = 0;
};

// Builds a complete record: length, magic and record checksum included.
CommandRecord BuildRecord(const CommandFields& fields);
// Fields of a record as written at their offsets (no validation).
CommandFields ReadRecordFields(const CommandRecord& rec);
// True when length byte, magic and record checksum are right.
bool IsValidRecord(const CommandRecord& rec);

// A reply record: status in the address field, value in the count field.
CommandRecord BuildReply(uint32_t status, uint32_t value);
uint32_t ReplyStatus(const CommandRecord& rec);
uint32_t ReplyValue(const CommandRecord& rec);

}  // namespace brindle
