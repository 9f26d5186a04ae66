#include "update/update_packer.h"

#include <algorithm>
#include <limits>

#include "core/byte_order.h"
#include "update/update_trailer.h"

namespace brindle {

namespace {

// Appends data and returns where it starts.
uint32_t Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& data) {
  const auto at = static_cast<uint32_t>(out.size());
  out.insert(out.end(), data.begin(), data.end());
  return at;
}

}  // namespace

int PackUpdateFile(const UpdatePackInput& in, std::vector<uint8_t>& out, std::string& why) {
  out.clear();
  struct Limit {
    const char* name;
    const std::vector<uint8_t>& data;
    uint32_t max;
  };
  for (const Limit& l :
       {Limit{"A", in.a, trailer::kMaxSectionASize}, Limit{"C", in.c, trailer::kMaxSectionCSize},
        Limit{"D", in.d, trailer::kMaxSectionDSize}, Limit{"E", in.e, trailer::kMaxSectionESize}}) {
    if (l.data.size() > l.max) {
      why = std::string("section ") + l.name + " has " + std::to_string(l.data.size()) + " bytes, at most " +
            std::to_string(l.max) + " fit";
      return 0;
    }
  }
  for (const auto& b : in.brands) {
    if (b.data.size() > trailer::kMaxBrandSectionSize) {
      why = "a brand section has " + std::to_string(b.data.size()) + " bytes, at most " +
            std::to_string(trailer::kMaxBrandSectionSize) + " fit";
      return 0;
    }
  }
  if (in.producerName.size() > trailer::kProducerNameSize) {
    why = "the producer name is longer than 256 bytes";
    return 0;
  }
  uint64_t total = in.a.size() + in.c.size() + in.d.size() + in.e.size() + trailer::kSize;
  if (!in.brands.empty()) total += brand_table::kEntries + in.brands.size() * brand_table::kEntrySize;
  for (const auto& b : in.brands) total += b.data.size();
  if (total > std::numeric_limits<uint32_t>::max()) {
    why = "the file would be larger than 4 GiB";
    return 0;
  }

  out.reserve(static_cast<size_t>(total));
  UpdateTrailer t;
  t.formatVersion = in.formatVersion;
  std::copy(in.producerName.begin(), in.producerName.end(), t.producerName.begin());
  t.sectionASize = static_cast<uint32_t>(in.a.size());
  t.sectionAOffset = Append(out, in.a);
  t.sectionCSize = static_cast<uint32_t>(in.c.size());
  t.sectionCOffset = Append(out, in.c);
  t.sectionDSize = static_cast<uint32_t>(in.d.size());
  t.sectionDOffset = Append(out, in.d);
  t.sectionESize = static_cast<uint32_t>(in.e.size());
  t.sectionEOffset = Append(out, in.e);

  if (!in.brands.empty()) {
    const size_t table = out.size();
    const size_t headerSize = brand_table::kEntries + in.brands.size() * brand_table::kEntrySize;
    out.resize(table + headerSize, 0);
    StoreLE32(out.data() + table + brand_table::kEntryCount, static_cast<uint32_t>(in.brands.size()));
    for (size_t i = 0; i < in.brands.size(); ++i) {
      const uint32_t at = Append(out, in.brands[i].data);
      const BrandEntry entry{in.brands[i].tag, static_cast<uint32_t>(at - table),
                             static_cast<uint32_t>(in.brands[i].data.size())};
      EncodeBrandEntry(entry, out.data() + table + brand_table::kEntries + i * brand_table::kEntrySize);
    }
    t.brandTableOffset = static_cast<uint32_t>(table);
    t.brandAreaSize = static_cast<uint32_t>(out.size() - table);
  }

  TrailerBytes bytes{};
  EncodeTrailer(t, bytes);
  t.trailerChecksum = ComputeTrailerChecksum(bytes);
  EncodeTrailer(t, bytes);
  ScrambleTrailer(bytes);
  out.insert(out.end(), bytes.begin(), bytes.end());
  return 1;
}

}  // namespace brindle
