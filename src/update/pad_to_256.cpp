#include "update/pad_to_256.h"

#include <new>

namespace brindle {

bool PadTo256(std::vector<uint8_t>& buffer) {
  const size_t padded = (buffer.size() + 255) / 256 * 256;
  try {
    buffer.resize(padded, 0xFF);
  } catch (const std::bad_alloc&) {
    return false;  // resize gives the strong guarantee: buffer is as it was
  }
  return true;
}

}  // namespace brindle
