#pragma once
// The packer: the inverse of ParseUpdateFile. Lays out sections A, C, D and
// E, the brand table with its sections in the order given, and the scrambled
// trailer with its checksum.
#include <cstdint>
#include <string>
#include <vector>

namespace brindle {

struct BrandSectionInput {
  uint32_t tag = 0;  // model code, see MakeTag
  std::vector<uint8_t> data;
};

struct UpdatePackInput {
  std::string producerName;  // up to 256 bytes; the rest of the field is zero
  uint32_t formatVersion = 3;
  std::vector<uint8_t> a, c, d, e;
  std::vector<BrandSectionInput> brands;  // no brand table when empty
};

// Result: 1 packed into out; 0 the input cannot make a well-formed file
// (why says which: a section over its limit, a producer name over 256 bytes,
// or a file that would not fit the trailer's 32-bit offsets).
int PackUpdateFile(const UpdatePackInput& input, std::vector<uint8_t>& out, std::string& why);

}  // namespace brindle
