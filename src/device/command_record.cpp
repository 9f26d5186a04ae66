#include "device/command_record.h"

#include "core/byte_order.h"
#include "core/byte_sum.h"

namespace brindle {

namespace {
void Seal(CommandRecord& rec) {
  rec[record::kRecordLength] = record::kLengthValue;
  StoreLE32(&rec[record::kMagic], record::kMagicValue);
  StoreLE32(&rec[record::kRecordChecksum], ByteSum(rec.data(), record::kRecordChecksum));
}
}  // namespace

CommandRecord BuildRecord(const CommandFields& f) {
  CommandRecord rec{};
  rec[record::kCode] = f.code;
  StoreLE32(&rec[record::kBlockAddress], f.blockAddress);
  StoreLE32(&rec[record::kBlockCount], f.blockCount);
  StoreLE32(&rec[record::kDataLength], f.dataLength);
  rec[record::kArea] = f.area;
  StoreLE32(&rec[record::kDataChecksum], f.dataChecksum);
  Seal(rec);
  return rec;
}

CommandFields ReadRecordFields(const CommandRecord& rec) {
  CommandFields f;
  f.code = rec[record::kCode];
  f.blockAddress = LoadLE32(&rec[record::kBlockAddress]);
  f.blockCount = LoadLE32(&rec[record::kBlockCount]);
  f.dataLength = LoadLE32(&rec[record::kDataLength]);
  f.area = rec[record::kArea];
  f.dataChecksum = LoadLE32(&rec[record::kDataChecksum]);
  return f;
}

bool IsValidRecord(const CommandRecord& rec) {
  return rec[record::kRecordLength] == record::kLengthValue &&
         LoadLE32(&rec[record::kMagic]) == record::kMagicValue &&
         LoadLE32(&rec[record::kRecordChecksum]) == ByteSum(rec.data(), record::kRecordChecksum);
}

CommandRecord BuildReply(uint32_t status, uint32_t value) {
  CommandRecord rec{};
  StoreLE32(&rec[record::kBlockAddress], status);
  StoreLE32(&rec[record::kBlockCount], value);
  Seal(rec);
  return rec;
}

uint32_t ReplyStatus(const CommandRecord& rec) { return LoadLE32(&rec[record::kBlockAddress]); }
uint32_t ReplyValue(const CommandRecord& rec) { return LoadLE32(&rec[record::kBlockCount]); }

}  // namespace brindle
