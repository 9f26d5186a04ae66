// Fuzzes ParseUpdateFile and the acceptance rules with arbitrary file bytes.
// Beyond not crashing, an accepted file must describe only sections that lie
// inside it and respect the size limits, since the worker sends what the
// parser accepts without looking again. Each input is also parsed with its
// trailer checksum mended, so mutations reach the section and brand-table
// checks instead of stopping at the checksum.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/byte_order.h"
#include "update/update_acceptance.h"
#include "update/update_parser.h"

namespace {

using namespace brindle;

DeviceFacts Facts(int layout, const char* model, const char* identity) {
  DeviceFacts f;
  f.settingsLayout = layout;
  std::memcpy(f.settingsBlock.data() + (layout >= 3 ? layout3::kModelCode : layout12::kModelCode), model, 4);
  std::memcpy(f.identityBlock.data(), identity, std::strlen(identity));
  return f;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void ParseWithAllFacts(const uint8_t* data, size_t size) {
  static const DeviceFacts kFacts[] = {
      DeviceFacts{},
      Facts(3, "RQZD", ""),
      Facts(2, "EXO ", ""),
      Facts(1, "BR01", "Gravo"),
  };
  static const CBuildConfig kBlank{std::string(21, ' '), {}};
  for (const DeviceFacts& facts : kFacts) {
    CMemorySource source(data, size);
    UpdateDescription d;
    const int result = ParseUpdateFile(source, d, facts);
    Check(result == kParseOk || result == kParseBadTrailer || result == kParseBadBrandTable);
    const std::string outcome = UpdateAcceptanceOutcome(result, d, kBlank);
    Check(outcome.empty() == (result == kParseOk && d.TotalSize() != 0));
    if (result != kParseOk) continue;
    Check(d.a.size <= trailer::kMaxSectionASize && d.c.size <= trailer::kMaxSectionCSize &&
          d.d.size <= trailer::kMaxSectionDSize && d.e.size <= trailer::kMaxSectionESize);
    for (const SectionSpan* s : {&d.a, &d.b, &d.c, &d.d, &d.e})
      Check(s->size == 0 || (s->offset <= size && s->size <= size - s->offset));
  }
}

// The input with the checksum of its trailer recomputed.
void ParseResealed(const uint8_t* data, size_t size) {
  if (size < trailer::kSize) return;
  std::vector<uint8_t> copy(data, data + size);
  std::span<uint8_t, trailer::kSize> t(copy.data() + size - trailer::kSize, trailer::kSize);
  ScrambleTrailer(t);
  StoreLE32(t.data() + trailer::kChecksum, ComputeTrailerChecksum(t));
  ScrambleTrailer(t);
  ParseWithAllFacts(copy.data(), copy.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ParseWithAllFacts(data, size);
  ParseResealed(data, size);
  return 0;
}
