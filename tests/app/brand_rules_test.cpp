// Which device brands a build serves, for the companies whose rules differ.
#include "app/brand_rules.h"

#include <gtest/gtest.h>

#include "window_fixture.h"

namespace brindle {
namespace {

using test::ConfigFor;
using test::IdentityText;

IdentityBlock Blank() {
  IdentityBlock b;
  b.fill(0xFF);
  return b;
}

TEST(BrandRules, FirstApplicableRuleDecides) {
  const std::string blanks21(21, ' ');
  IdentityBlock almostBlank = Blank();
  almostBlank[255] = 0xFE;
  struct Case {
    std::string company;
    IdentityBlock identity;
    int32_t layout;
    BrandRule rule;
  };
  const Case cases[] = {
      // This build's company.
      {"Valdemo Tech Co.", Blank(), 3, BrandRule::kClaimBlank},
      {"Valdemo Tech Co.", IdentityText("Valdemo Tech Co."), 3, BrandRule::kOwnCompany},
      {"Valdemo Tech Co.", IdentityText("Valdemo Tech Co.XYZ"), 3, BrandRule::kOwnCompany},
      {"Valdemo Tech Co.", IdentityText("Valdemo Tech Co"), 3, BrandRule::kRejected},
      {"Valdemo Tech Co.", IdentityText("Gravo"), 3, BrandRule::kRejected},
      {"Valdemo Tech Co.", IdentityText("Nerv/Pindar"), 1, BrandRule::kRejected},
      {"Valdemo Tech Co.", IdentityBlock{}, 3, BrandRule::kRejected},
      {"Valdemo Tech Co.", almostBlank, 3, BrandRule::kRejected},
      // Gravo takes over old Nerv/Pindar devices, but only with layout 1 or below.
      {"Gravo", IdentityText("Nerv/Pindar"), 1, BrandRule::kRebrandToGravo},
      {"Gravo", IdentityText("Nerv/Pindar"), 0, BrandRule::kRebrandToGravo},
      {"Gravo", IdentityText("Nerv/Pindar"), -1, BrandRule::kRebrandToGravo},
      {"Gravo", IdentityText("Nerv/Pindar"), 2, BrandRule::kRejected},
      {"Gravo", IdentityText("Nerv/Pindar"), 3, BrandRule::kRejected},
      {"Gravo", IdentityText("Gravo"), 3, BrandRule::kOwnCompany},
      {"Gravo", Blank(), 1, BrandRule::kClaimBlank},
      {"Gravo Ltd", IdentityText("Nerv/Pindar"), 1, BrandRule::kRejected},
      // Tamberly builds serve Cindrova devices too.
      {"Tamberly", IdentityText("Cindrova"), 3, BrandRule::kCindrova},
      {"Tamberly Systems", IdentityText("Cindrova Inc"), 3, BrandRule::kCindrova},
      {"Tamberly", IdentityText("Tamberly"), 3, BrandRule::kOwnCompany},
      {"Tamberly", IdentityText("Cindrov"), 3, BrandRule::kRejected},
      {"Gravo", IdentityText("Cindrova"), 3, BrandRule::kRejected},
      // The blank configuration serves everything without looking.
      {blanks21, IdentityText("Anything"), 3, BrandRule::kBlankCompany},
      {blanks21, Blank(), 3, BrandRule::kBlankCompany},
      // Fewer blanks are an ordinary (if odd) company name.
      {std::string(16, ' '), IdentityText("Anything"), 3, BrandRule::kRejected},
  };
  for (const Case& c : cases) {
    const std::string id(reinterpret_cast<const char*>(c.identity.data()), 12);
    EXPECT_EQ(MatchBrandRule(ConfigFor(c.company), c.identity, c.layout), c.rule)
        << "company '" << c.company << "' identity '" << id << "' layout " << c.layout;
  }
}

TEST(BrandRules, ClaimAndRebrandWriteTheBrandFollowedByZeros) {
  IdentityBlock b = Blank();
  ASSERT_TRUE(BrandRuleIdentity(ConfigFor("Valdemo Tech Co."), BrandRule::kClaimBlank, b));
  EXPECT_EQ(b, IdentityText("Valdemo Tech Co."));

  b = IdentityText("Nerv/Pindar");
  ASSERT_TRUE(BrandRuleIdentity(ConfigFor("Gravo"), BrandRule::kRebrandToGravo, b));
  EXPECT_EQ(b, IdentityText("Gravo"));

  for (BrandRule rule :
       {BrandRule::kBlankCompany, BrandRule::kOwnCompany, BrandRule::kCindrova, BrandRule::kRejected}) {
    b = IdentityText("Cindrova");
    EXPECT_FALSE(BrandRuleIdentity(ConfigFor("Tamberly"), rule, b));
    EXPECT_EQ(b, IdentityText("Cindrova"));
  }
}

}  // namespace
}  // namespace brindle
