#pragma once
// Model codes: four ASCII characters kept as one little-endian 32-bit value,
// the way the settings block and the update file's brand table store them.
#include <cstdint>

namespace brindle {

constexpr uint32_t MakeTag(char c0, char c1, char c2, char c3) {
  return static_cast<uint32_t>(static_cast<uint8_t>(c0)) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c1)) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c2)) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c3)) << 24);
}

}  // namespace brindle
