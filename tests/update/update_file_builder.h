#pragma once
// Update files for tests: packed by the packer, then edited where a case
// needs a fault the packer would never write.
#include <cstring>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "core/byte_order.h"
#include "core/model_tag.h"
#include "update/update_packer.h"
#include "update/update_parser.h"
#include "update/update_trailer.h"

namespace brindle::test {

inline constexpr char kCompany[] = "Valdemo Tech Co.";

// n bytes that differ from section to section.
inline std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
  return v;
}

using ByteVector = std::vector<uint8_t>;

// Packer input by position: producer, sections A, C, D, E, brand sections.
inline UpdatePackInput Input(std::string producer, ByteVector a = {}, ByteVector c = {}, ByteVector d = {},
                             ByteVector e = {}, std::vector<BrandSectionInput> brands = {}) {
  UpdatePackInput input;
  input.producerName = std::move(producer);
  input.a = std::move(a);
  input.c = std::move(c);
  input.d = std::move(d);
  input.e = std::move(e);
  input.brands = std::move(brands);
  return input;
}

inline std::vector<uint8_t> Pack(const UpdatePackInput& input) {
  std::vector<uint8_t> out;
  std::string why;
  if (!PackUpdateFile(input, out, why)) out.clear();
  return out;
}

// Descrambles the trailer, lets edit change its fields and stores it again;
// the checksum is recomputed unless reseal is false.
inline void EditTrailer(std::vector<uint8_t>& file, const std::function<void(UpdateTrailer&)>& edit,
                        bool reseal = true) {
  std::span<uint8_t, trailer::kSize> bytes(file.data() + file.size() - trailer::kSize, trailer::kSize);
  ScrambleTrailer(bytes);
  UpdateTrailer t = DecodeTrailer(bytes);
  edit(t);
  EncodeTrailer(t, bytes);
  if (reseal) {
    t.trailerChecksum = ComputeTrailerChecksum(bytes);
    EncodeTrailer(t, bytes);
  }
  ScrambleTrailer(bytes);
}

inline UpdateTrailer ReadTrailer(const std::vector<uint8_t>& file) {
  TrailerBytes bytes;
  std::memcpy(bytes.data(), file.data() + file.size() - trailer::kSize, trailer::kSize);
  ScrambleTrailer(bytes);
  return DecodeTrailer(bytes);
}

// Parses with the brand section chosen for brandTag (0: no model code).
inline int Parse(const std::vector<uint8_t>& file, UpdateDescription& d, uint32_t brandTag = 0) {
  CMemorySource source(file.data(), file.size());
  return ParseUpdateFile(source, d, brandTag);
}

}  // namespace brindle::test
