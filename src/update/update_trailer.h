#pragma once
// The fixed-size trailer at the end of an update file (*.dwm) and the brand
// table it points to. Every offset of both records is declared here once; the
// parser and the packer read and write them only through this file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace brindle {

namespace trailer {
constexpr size_t kSize = 320;  // the last bytes of the file
// Offsets in the descrambled trailer.
constexpr size_t kTrailerLength = 0;
constexpr size_t kFormatVersion = 4;
constexpr size_t kProducerName = 8;
constexpr size_t kProducerNameSize = 256;
constexpr size_t kProducerCompared = 16;  // bytes checked against the company name
constexpr size_t kSectionAOffset = 264;
constexpr size_t kSectionASize = 268;
constexpr size_t kBrandTableOffset = 272;
constexpr size_t kBrandAreaSize = 276;
constexpr size_t kSectionCOffset = 280;
constexpr size_t kSectionCSize = 284;
constexpr size_t kSectionDOffset = 288;
constexpr size_t kSectionDSize = 292;
constexpr size_t kSectionEOffset = 296;
constexpr size_t kSectionESize = 300;
constexpr size_t kReserved = 304;  // three words, not read
constexpr size_t kReservedWords = 3;
constexpr size_t kChecksum = 316;  // ByteSum of bytes 0..315

constexpr uint32_t kTrailerLengthValue = 316;
constexpr uint32_t kMinFormatVersion = 3;
// Each byte i of the stored trailer is XOR-ed with kScrambleKey[i % 8].
constexpr std::array<uint8_t, 8> kScrambleKey = {'Z', 'E', 'P', 'H', 'R', 'A', 'G', 'T'};

// Section size limits: the room up to the next region of the device.
constexpr uint32_t kMaxSectionASize = 0x7000;
constexpr uint32_t kMaxSectionCSize = 0xC8000;
constexpr uint32_t kMaxSectionDSize = 0x200000;
constexpr uint32_t kMaxSectionESize = 0x522000;
// The brand section is written from block 0x90 and section C's region starts
// at block 0x160; a longer brand section would overwrite the start of C's region.
constexpr uint32_t kMaxBrandSectionSize = 0xD000;
}  // namespace trailer

namespace brand_table {
constexpr size_t kEntryCount = 0;
constexpr size_t kEntries = 4;
constexpr size_t kEntrySize = 16;
// Offsets within one entry.
constexpr size_t kTag = 0;     // model code, four bytes compared as one LE32 value
constexpr size_t kOffset = 4;  // relative to the brand table's own offset
constexpr size_t kSize = 8;
constexpr size_t kReserved = 12;
}  // namespace brand_table

using TrailerBytes = std::array<uint8_t, trailer::kSize>;

// The descrambled trailer as fields.
struct UpdateTrailer {
  uint32_t trailerLength = trailer::kTrailerLengthValue;
  uint32_t formatVersion = 0;
  std::array<uint8_t, trailer::kProducerNameSize> producerName{};
  uint32_t sectionAOffset = 0;
  uint32_t sectionASize = 0;
  uint32_t brandTableOffset = 0;
  uint32_t brandAreaSize = 0;
  uint32_t sectionCOffset = 0;
  uint32_t sectionCSize = 0;
  uint32_t sectionDOffset = 0;
  uint32_t sectionDSize = 0;
  uint32_t sectionEOffset = 0;
  uint32_t sectionESize = 0;
  std::array<uint32_t, trailer::kReservedWords> reserved{};
  uint32_t trailerChecksum = 0;
};

struct BrandEntry {
  uint32_t tag = 0;
  uint32_t offset = 0;
  uint32_t size = 0;
};

// XOR with the key: scrambles a plain trailer and descrambles a stored one.
void ScrambleTrailer(std::span<uint8_t, trailer::kSize> bytes);

UpdateTrailer DecodeTrailer(std::span<const uint8_t, trailer::kSize> plain);
// Writes every field as given, the checksum field included.
void EncodeTrailer(const UpdateTrailer& fields, std::span<uint8_t, trailer::kSize> plain);
// ByteSum of the bytes the checksum field covers.
uint32_t ComputeTrailerChecksum(std::span<const uint8_t, trailer::kSize> plain);

BrandEntry DecodeBrandEntry(const uint8_t* entry);
void EncodeBrandEntry(const BrandEntry& fields, uint8_t* entry);

}  // namespace brindle
