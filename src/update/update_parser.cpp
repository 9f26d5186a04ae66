#include "update/update_parser.h"

#include <algorithm>
#include <vector>

#include "core/byte_order.h"

namespace brindle {

namespace {

// Entries are read in slices of this many, so a large table costs no more
// memory than one slice.
constexpr size_t kEntriesPerRead = 1024;

bool TrailerIsGood(std::span<const uint8_t, trailer::kSize> plain, const UpdateTrailer& t) {
  return t.trailerLength == trailer::kTrailerLengthValue &&
         t.trailerChecksum == ComputeTrailerChecksum(plain) && t.sectionASize <= trailer::kMaxSectionASize &&
         t.sectionCSize <= trailer::kMaxSectionCSize && t.sectionDSize <= trailer::kMaxSectionDSize &&
         t.sectionESize <= trailer::kMaxSectionESize && t.formatVersion >= trailer::kMinFormatVersion;
}

// An absent section lies nowhere; a present one must end inside the file.
bool InsideFile(const SectionSpan& s, uint64_t fileSize) {
  return s.size == 0 || (s.offset <= fileSize && s.size <= fileSize - s.offset);
}

// Finds the entry for tag. Result: 1 found (chosen set), 0 not found, -4 the
// table cannot be read. The first entry is kept for the single-entry rule.
int SearchBrandTable(IByteSource& file, uint64_t entriesOffset, uint32_t entryCount, uint32_t tag,
                     BrandEntry& chosen) {
  std::vector<uint8_t> slice(std::min<size_t>(entryCount, kEntriesPerRead) * brand_table::kEntrySize);
  for (uint32_t done = 0; done < entryCount;) {
    const size_t count = std::min<size_t>(entryCount - done, kEntriesPerRead);
    const size_t bytes = count * brand_table::kEntrySize;
    if (file.ReadAt(entriesOffset + uint64_t{done} * brand_table::kEntrySize, slice.data(), bytes) != bytes) {
      return kParseBadBrandTable;
    }
    for (size_t i = 0; i < count; ++i) {
      const BrandEntry entry = DecodeBrandEntry(slice.data() + i * brand_table::kEntrySize);
      if (entry.tag == tag) {
        chosen = entry;
        return 1;
      }
      if (done == 0 && i == 0) chosen = entry;
    }
    done += static_cast<uint32_t>(count);
  }
  return 0;
}

}  // namespace

int ParseUpdateFile(IByteSource& file, UpdateDescription& description, uint32_t brandTag) {
  description = UpdateDescription{};
  const uint64_t fileSize = file.Size();
  if (fileSize < trailer::kSize) return kParseBadTrailer;

  TrailerBytes plain{};
  if (file.ReadAt(fileSize - trailer::kSize, plain.data(), plain.size()) != plain.size())
    return kParseBadTrailer;
  ScrambleTrailer(plain);
  const UpdateTrailer t = DecodeTrailer(plain);
  if (!TrailerIsGood(plain, t)) return kParseBadTrailer;

  // From here on the description holds the trailer's fields, so a refused
  // file can still be shown; section b is the brand area until the lookup.
  UpdateDescription& d = description;
  d.formatVersion = t.formatVersion;
  d.producerName = t.producerName;
  d.a = {t.sectionAOffset, t.sectionASize};
  d.b = {t.brandTableOffset, t.brandAreaSize};
  d.c = {t.sectionCOffset, t.sectionCSize};
  d.d = {t.sectionDOffset, t.sectionDSize};
  d.e = {t.sectionEOffset, t.sectionESize};
  // Every section is checked before anything is sent, so a broken file
  // cannot leave the device with only its first sections written.
  for (const SectionSpan* s : {&d.a, &d.c, &d.d, &d.e}) {
    if (!InsideFile(*s, fileSize)) return kParseBadTrailer;
  }

  if (t.brandAreaSize != 0) {
    uint8_t countBytes[4];
    if (file.ReadAt(t.brandTableOffset, countBytes, sizeof countBytes) != sizeof countBytes) {
      return kParseBadBrandTable;
    }
    const uint32_t entryCount = LoadLE32(countBytes + brand_table::kEntryCount);
    const uint64_t entriesOffset = uint64_t{t.brandTableOffset} + brand_table::kEntries;
    // A table longer than the rest of the file cannot be read whole; its
    // count is not trusted for any allocation either.
    if (uint64_t{entryCount} * brand_table::kEntrySize > fileSize - std::min(fileSize, entriesOffset)) {
      return kParseBadBrandTable;
    }
    BrandEntry chosen;
    const int found = SearchBrandTable(file, entriesOffset, entryCount, brandTag, chosen);
    if (found < 0) {
      return kParseBadBrandTable;
    }
    if (found == 1 || entryCount == 1) {
      d.b = {uint64_t{t.brandTableOffset} + chosen.offset, chosen.size};
    } else {
      d.b = {};
    }
    if (!InsideFile(d.b, fileSize)) return kParseBadTrailer;
    // Refused here, like the other sections over their room, so nothing of
    // the file reaches the device.
    if (d.b.size > trailer::kMaxBrandSectionSize) return kParseBadTrailer;
  }
  return kParseOk;
}

}  // namespace brindle
