#pragma once
// PadTo256: sections go to the device in whole 256-byte blocks; the unused
// tail of the last block is sent as 0xFF, the state of erased memory.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brindle {

// Grows buffer to the next multiple of 256 (0 stays 0), filling with 0xFF.
// False, with buffer unchanged, when the memory cannot be had.
bool PadTo256(std::vector<uint8_t>& buffer);

}  // namespace brindle
