#pragma once
// ScrambledByteSum: the checksum the device expects for scrambled section
// data. Each whole 4-byte group is transformed (bytes 2 and 3 XOR-ed with
// bytes 0 and 1, then the group XOR-ed with a running mask that is reseeded
// from the sum of the transformed words every 256 bytes); the result is the
// byte sum of the transformed data. A tail of 1 to 3 bytes stays as it is.
#include <cstddef>
#include <cstdint>

namespace brindle {

uint32_t ScrambledByteSum(const uint8_t* data, size_t length);

}  // namespace brindle
