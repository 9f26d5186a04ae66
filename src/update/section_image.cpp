#include "update/section_image.h"

#include <new>

#include "core/byte_sum.h"
#include "core/scrambled_byte_sum.h"
#include "update/pad_to_256.h"

namespace brindle {

namespace {

// Reads size bytes at offset, with room for the padding reserved so that
// padding never copies the section.
bool ReadPadded(IByteSource& file, uint64_t offset, uint32_t size, std::vector<uint8_t>& data) {
  try {
    data.reserve((size_t{size} + kBlockSize - 1) / kBlockSize * kBlockSize);
    data.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return file.ReadAt(offset, data.data(), size) == size && PadTo256(data);
}

bool AddSection(IByteSource& file, SectionName name, const SectionSpan& span, const SectionDestination& d,
                UpdateImage& image) {
  if (span.size == 0) return true;
  SectionImage s;
  s.name = name;
  s.destination = d;
  s.size = span.size;
  if (!ReadPadded(file, span.offset, span.size, s.data)) return false;
  s.checksum = SectionChecksum(s.data.data(), s.data.size(), s.size, d.scrambled);
  s.dataLength = d.scrambled ? s.size : 0;
  image.writes.push_back(std::move(s));
  return true;
}

}  // namespace

const char* SectionNameText(SectionName name) {
  switch (name) {
    case SectionName::kA: return "A";
    case SectionName::kHeader: return "header";
    case SectionName::kB: return "B";
    case SectionName::kC: return "C";
    case SectionName::kD: return "D";
    case SectionName::kE: return "E";
  }
  return "?";
}

uint64_t UpdateImage::SectionBytes() const {
  uint64_t total = 0;
  for (const SectionImage& s : writes)
    if (s.name != SectionName::kHeader) total += s.size;
  return total;
}

uint64_t UpdateImage::PaddedBytes() const {
  uint64_t total = 0;
  for (const SectionImage& s : writes) total += s.data.size();
  return total;
}

ImageLoad LoadUpdateImage(IByteSource& file, const UpdateDescription& d, UpdateImage& image) {
  image.writes.clear();
  try {
    image.writes.reserve(6);
  } catch (const std::bad_alloc&) {
    return ImageLoad::kUnreadable;
  }
  if (!AddSection(file, SectionName::kA, d.a, kDestinationA, image)) return ImageLoad::kUnreadable;
  if (d.b.size != 0) {
    if (!AddSection(file, SectionName::kB, d.b, kDestinationBrand, image)) return ImageLoad::kUnreadable;
    // The header block goes first and tells the device the brand section's
    // length and scrambled sum.
    const SectionImage& brand = image.writes.back();
    const TransferHeader header =
        BuildTransferHeader(brand.size, ScrambledByteSum(brand.data.data(), brand.size));
    SectionImage h;
    h.name = SectionName::kHeader;
    h.destination = kDestinationHeader;
    h.size = static_cast<uint32_t>(header.size());
    h.data.assign(header.begin(), header.end());
    h.checksum = ByteSum(header.data(), header.size());
    image.writes.insert(image.writes.end() - 1, std::move(h));
  }
  if (!AddSection(file, SectionName::kC, d.c, kDestinationC, image) ||
      !AddSection(file, SectionName::kD, d.d, kDestinationD, image) ||
      !AddSection(file, SectionName::kE, d.e, kDestinationE, image))
    return ImageLoad::kUnreadable;
  if (!file.Unchanged()) return ImageLoad::kChanged;
  return ImageLoad::kLoaded;
}

}  // namespace brindle
