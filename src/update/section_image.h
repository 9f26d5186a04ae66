#pragma once
// An update as it goes to the device: every write of the run, in the order
// it is sent, with its bytes padded to whole blocks and its checksum. It is
// read from the file once, right after the file was checked, and the run
// sends and reads back from it alone, so a file rewritten or replaced while
// it is sent never reaches the device.
#include <cstdint>
#include <string>
#include <vector>

#include "update/byte_source.h"
#include "update/transfer_layout.h"
#include "update/update_parser.h"

namespace brindle {

// The parts of an update as users and the console name them.
enum class SectionName : uint8_t { kA, kHeader, kB, kC, kD, kE };

// "A", "header", "B", "C", "D" or "E".
const char* SectionNameText(SectionName name);

struct SectionImage {
  SectionName name = SectionName::kA;
  SectionDestination destination{};
  uint32_t size = 0;          // the file's bytes, before padding
  std::vector<uint8_t> data;  // padded with 0xFF to whole blocks
  uint32_t checksum = 0;      // the WriteBlocks record's dataChecksum
  uint32_t dataLength = 0;    // the record's dataLength: size when scrambled, else 0

  uint32_t BlockCount() const { return static_cast<uint32_t>(data.size() / kBlockSize); }
};

struct UpdateImage {
  std::vector<SectionImage> writes;  // A, header, B, C, D, E; absent sections left out

  // Unpadded bytes of the five sections (the header block not counted), as
  // the progress counts them.
  uint64_t SectionBytes() const;
  // Padded bytes of every write, the header block included.
  uint64_t PaddedBytes() const;
};

enum class ImageLoad {
  kLoaded,
  kUnreadable,  // a short read, or no memory for the sections
  kChanged,     // the file changed on disk while it was read
};

// Reads every section description names from file, pads it and builds the
// transfer header for the brand section.
ImageLoad LoadUpdateImage(IByteSource& file, const UpdateDescription& description, UpdateImage& image);

}  // namespace brindle
