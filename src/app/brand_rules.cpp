#include "app/brand_rules.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace brindle {

namespace {

bool IdentityBeginsWith(const IdentityBlock& identity, std::string_view text) {
  return !text.empty() && text.size() <= identity.size() &&
         std::memcmp(identity.data(), text.data(), text.size()) == 0;
}

void FillIdentity(IdentityBlock& identity, std::string_view text) {
  identity.fill(0);
  std::copy_n(text.begin(), std::min(text.size(), identity.size()), identity.begin());
}

}  // namespace

BrandRule MatchBrandRule(const CBuildConfig& config, const IdentityBlock& identity, int32_t settingsLayout) {
  const std::string_view company = config.companyName;
  // The blank configuration is exactly 21 blanks; a shorter name is never
  // read past its end.
  if (config.IsBlankCompany()) return BrandRule::kBlankCompany;
  if (std::all_of(identity.begin(), identity.end(), [](uint8_t b) { return b == 0xFF; }))
    return BrandRule::kClaimBlank;
  if (IdentityBeginsWith(identity, company)) return BrandRule::kOwnCompany;
  if (IdentityBeginsWith(identity, kBrandNervPindar) && company == kBrandGravo && settingsLayout <= 1)
    return BrandRule::kRebrandToGravo;
  if (IdentityBeginsWith(identity, kBrandCindrova) && company.starts_with(kBrandTamberly))
    return BrandRule::kCindrova;
  return BrandRule::kRejected;
}

bool BrandRuleIdentity(const CBuildConfig& config, BrandRule rule, IdentityBlock& identity) {
  if (rule == BrandRule::kClaimBlank) {
    FillIdentity(identity, config.companyName);
    return true;
  }
  if (rule == BrandRule::kRebrandToGravo) {
    FillIdentity(identity, kBrandGravo);
    return true;
  }
  return false;
}

}  // namespace brindle
