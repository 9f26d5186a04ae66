// Fuzzes ParseUpdateFile and the acceptance rules with arbitrary file bytes.
// Beyond not crashing, an accepted file must describe only sections that lie
// inside it and respect the size limits, since the worker sends what the
// parser accepts without looking again. Each input is also parsed with its
// trailer checksum mended, so mutations reach the section and brand-table
// checks instead of stopping at the checksum.
#include <cstdlib>
#include <string>
#include <vector>

#include "core/byte_order.h"
#include "core/model_tag.h"
#include "update/update_acceptance.h"
#include "update/update_parser.h"

namespace {

using namespace brindle;

void Check(bool condition) {
  if (!condition) std::abort();
}

void ParseWithEachTag(const uint8_t* data, size_t size) {
  // No model code, and codes the seeds' brand tables hold.
  static const uint32_t kTags[] = {0, MakeTag('R', 'Q', 'Z', 'D'), MakeTag('E', 'X', 'O', ' '),
                                   MakeTag('B', 'R', '0', '1')};
  static const CBuildConfig kBlank{std::string(21, ' '), {}};
  for (const uint32_t tag : kTags) {
    CMemorySource source(data, size);
    UpdateDescription d;
    const int result = ParseUpdateFile(source, d, tag);
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
  ParseWithEachTag(copy.data(), copy.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ParseWithEachTag(data, size);
  ParseResealed(data, size);
  return 0;
}
