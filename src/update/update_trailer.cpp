#include "update/update_trailer.h"

#include <algorithm>

#include "core/byte_order.h"
#include "core/byte_sum.h"

namespace brindle {

void ScrambleTrailer(std::span<uint8_t, trailer::kSize> bytes) {
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] ^= trailer::kScrambleKey[i % trailer::kScrambleKey.size()];
}

UpdateTrailer DecodeTrailer(std::span<const uint8_t, trailer::kSize> plain) {
  using namespace trailer;
  const uint8_t* p = plain.data();
  UpdateTrailer t;
  t.trailerLength = LoadLE32(p + kTrailerLength);
  t.formatVersion = LoadLE32(p + kFormatVersion);
  std::copy_n(p + kProducerName, kProducerNameSize, t.producerName.begin());
  t.sectionAOffset = LoadLE32(p + kSectionAOffset);
  t.sectionASize = LoadLE32(p + kSectionASize);
  t.brandTableOffset = LoadLE32(p + kBrandTableOffset);
  t.brandAreaSize = LoadLE32(p + kBrandAreaSize);
  t.sectionCOffset = LoadLE32(p + kSectionCOffset);
  t.sectionCSize = LoadLE32(p + kSectionCSize);
  t.sectionDOffset = LoadLE32(p + kSectionDOffset);
  t.sectionDSize = LoadLE32(p + kSectionDSize);
  t.sectionEOffset = LoadLE32(p + kSectionEOffset);
  t.sectionESize = LoadLE32(p + kSectionESize);
  for (size_t i = 0; i < kReservedWords; ++i) t.reserved[i] = LoadLE32(p + kReserved + 4 * i);
  t.trailerChecksum = LoadLE32(p + kChecksum);
  return t;
}

void EncodeTrailer(const UpdateTrailer& t, std::span<uint8_t, trailer::kSize> plain) {
  using namespace trailer;
  uint8_t* p = plain.data();
  StoreLE32(p + kTrailerLength, t.trailerLength);
  StoreLE32(p + kFormatVersion, t.formatVersion);
  std::copy(t.producerName.begin(), t.producerName.end(), p + kProducerName);
  StoreLE32(p + kSectionAOffset, t.sectionAOffset);
  StoreLE32(p + kSectionASize, t.sectionASize);
  StoreLE32(p + kBrandTableOffset, t.brandTableOffset);
  StoreLE32(p + kBrandAreaSize, t.brandAreaSize);
  StoreLE32(p + kSectionCOffset, t.sectionCOffset);
  StoreLE32(p + kSectionCSize, t.sectionCSize);
  StoreLE32(p + kSectionDOffset, t.sectionDOffset);
  StoreLE32(p + kSectionDSize, t.sectionDSize);
  StoreLE32(p + kSectionEOffset, t.sectionEOffset);
  StoreLE32(p + kSectionESize, t.sectionESize);
  for (size_t i = 0; i < kReservedWords; ++i) StoreLE32(p + kReserved + 4 * i, t.reserved[i]);
  StoreLE32(p + kChecksum, t.trailerChecksum);
}

uint32_t ComputeTrailerChecksum(std::span<const uint8_t, trailer::kSize> plain) {
  return ByteSum(plain.data(), trailer::kChecksum);
}

BrandEntry DecodeBrandEntry(const uint8_t* entry) {
  return {LoadLE32(entry + brand_table::kTag), LoadLE32(entry + brand_table::kOffset),
          LoadLE32(entry + brand_table::kSize)};
}

void EncodeBrandEntry(const BrandEntry& e, uint8_t* entry) {
  StoreLE32(entry + brand_table::kTag, e.tag);
  StoreLE32(entry + brand_table::kOffset, e.offset);
  StoreLE32(entry + brand_table::kSize, e.size);
  StoreLE32(entry + brand_table::kReserved, 0);
}

}  // namespace brindle
