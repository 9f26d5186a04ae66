#pragma once
// Which devices this build serves. The rules compare the build's company name
// with the brand text at the start of the device's identity block; the first
// rule that applies decides.
#include <cstdint>

#include "core/build_config.h"
#include "settings/settings_layout.h"

namespace brindle {

enum class BrandRule {
  kNone = -1,           // no identification has decided yet
  kBlankCompany = 0,    // this build serves every brand; the identity is not looked at
  kClaimBlank = 1,      // never-written identity: claim it for the company
  kOwnCompany = 2,      // identity begins with the company name
  kRebrandToGravo = 3,  // old "Nerv/Pindar" device taken over by a "Gravo" build
  kCindrova = 4,        // "Cindrova" devices are served by "Tamberly" builds
  kRejected = 5,
};

// Brand texts of the rules, in the device's code page.
constexpr const char* kBrandNervPindar = "Nerv/Pindar";
constexpr const char* kBrandGravo = "Gravo";
constexpr const char* kBrandCindrova = "Cindrova";
constexpr const char* kBrandTamberly = "Tamberly";

// Decides the rule for an identity block; settingsLayout is the layout the
// same identification found. Pure: writes nothing.
BrandRule MatchBrandRule(const CBuildConfig& config, const IdentityBlock& identity, int32_t settingsLayout);

inline bool IsAccepted(BrandRule rule) { return rule != BrandRule::kNone && rule != BrandRule::kRejected; }

// The identity block a rule writes to the device: the brand text followed by
// zeros. Rules 1 and 3 write; the others give nothing.
bool BrandRuleIdentity(const CBuildConfig& config, BrandRule rule, IdentityBlock& identity);

}  // namespace brindle
