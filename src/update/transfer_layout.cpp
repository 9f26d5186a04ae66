#include "update/transfer_layout.h"

#include "core/byte_order.h"
#include "core/byte_sum.h"
#include "core/scrambled_byte_sum.h"

namespace brindle {

TransferHeader BuildTransferHeader(uint32_t payloadLength, uint32_t payloadChecksum) {
  TransferHeader header;
  header.fill(transfer_header::kFillerByte);
  StoreLE32(header.data() + transfer_header::kMagic, transfer_header::kMagicValue);
  StoreLE32(header.data() + transfer_header::kPayloadLength, payloadLength);
  StoreLE32(header.data() + transfer_header::kPayloadChecksum, payloadChecksum);
  return header;
}

uint32_t SectionChecksum(const uint8_t* padded, size_t paddedSize, size_t unpadded, bool scrambled) {
  if (!scrambled) return ByteSum(padded, paddedSize);
  return ScrambledByteSum(padded, unpadded) + ByteSum(padded + unpadded, paddedSize - unpadded);
}

}  // namespace brindle
