#include "update/update_acceptance.h"

#include <algorithm>

namespace brindle {

bool ProducerMatches(const UpdateDescription& description, const CBuildConfig& config) {
  if (config.IsBlankCompany()) return true;
  std::array<uint8_t, trailer::kProducerCompared> company{};
  std::copy_n(config.companyName.begin(), std::min(config.companyName.size(), company.size()),
              company.begin());
  return std::equal(company.begin(), company.end(), description.producerName.begin());
}

std::string UpdateAcceptanceOutcome(int parseResult, const UpdateDescription& description,
                                    const CBuildConfig& config) {
  if (parseResult != kParseOk) return kTextWrongFormat + std::to_string(parseResult);
  if (!ProducerMatches(description, config)) return kTextVersionUnmatched;
  if (description.TotalSize() == 0) return kTextNoDatabase;
  return {};
}

}  // namespace brindle
