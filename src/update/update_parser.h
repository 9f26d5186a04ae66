#pragma once
// ParseUpdateFile: turns the bytes of an update file into the description of
// what to send. It reads and decides; it never touches the device.
#include <array>
#include <cstdint>

#include "settings/settings_layout.h"
#include "update/byte_source.h"
#include "update/update_trailer.h"

namespace brindle {

enum ParseResult : int {
  kParseOk = 0,
  kParseBadTrailer = -1,      // no acceptable trailer, or a section outside the file
  kParseBadBrandTable = -4,   // the brand table cannot be read or held
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

// What the brand lookup needs to know about the connected device.
struct DeviceFacts {
  int32_t settingsLayout = -1;  // 3, 2, 1, 0 or -1 as classified
  SettingsBlock settingsBlock{};
  IdentityBlock identityBlock{};
};

// Model codes as the brand table stores them (four bytes as one LE32 value).
constexpr uint32_t MakeTag(char c0, char c1, char c2, char c3) {
  return static_cast<uint32_t>(static_cast<uint8_t>(c0)) | (static_cast<uint32_t>(static_cast<uint8_t>(c1)) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c2)) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c3)) << 24);
}
constexpr uint32_t kTagGravo = MakeTag('R', 'Q', 'Z', 'D');  // devices whose identity begins "Gravo"
constexpr uint32_t kTagExo = MakeTag('E', 'X', 'O', ' ');    // devices whose identity begins "EXO"

// The model code the brand section is chosen by: the settings block's model
// code for layouts 3 and 2, else a tag derived from the identity text (0 when
// none applies).
uint32_t ChooseBrandTag(const DeviceFacts& facts);

// Checks the trailer (length, checksum, size limits, format version), checks
// that every section lies inside the file and picks the brand section.
// description is filled on success; when the trailer itself was good but the
// file is refused later, it holds the trailer's fields (section b the brand
// area); otherwise it is left empty.
int ParseUpdateFile(IByteSource& file, UpdateDescription& description, const DeviceFacts& facts);

}  // namespace brindle
