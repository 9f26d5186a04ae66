#pragma once
// ParseUpdateFile: turns the bytes of an update file into the description of
// what to send. It reads and decides; it never touches the device.
#include <array>
#include <cstdint>

#include "update/byte_source.h"
#include "update/update_trailer.h"

namespace brindle {

enum ParseResult : int {
  kParseOk = 0,
  kParseBadTrailer = -1,     // no acceptable trailer, or a section outside the file
  kParseBadBrandTable = -4,  // the brand table cannot be read or held
};

struct SectionSpan {
  uint64_t offset = 0;  // absolute file offset
  uint32_t size = 0;    // 0: the section is absent
};

// The parser's output. Section b is the brand section picked for the device;
// absent when the file has no brand table or no entry fits.
struct UpdateDescription {
  uint32_t formatVersion = 0;
  std::array<uint8_t, trailer::kProducerNameSize> producerName{};
  SectionSpan a, b, c, d, e;

  // Unpadded sizes of all five sections added up (wide, so it cannot wrap).
  uint64_t TotalSize() const { return uint64_t{a.size} + b.size + c.size + d.size + e.size; }
};

// Checks the trailer (length, checksum, size limits, format version), checks
// that every section lies inside the file and picks the brand section: the
// entry for brandTag (a model code, see MakeTag), else the only entry.
// description is filled on success; when the trailer itself was good but the
// file is refused later, it holds the trailer's fields (section b the brand
// area); otherwise it is left empty.
int ParseUpdateFile(IByteSource& file, UpdateDescription& description, uint32_t brandTag);

}  // namespace brindle
