// The acceptance rules in their order, with their exact outcome texts.
#include "update/update_acceptance.h"

#include <gtest/gtest.h>

#include <cstring>

namespace brindle {
namespace {

UpdateDescription Described(const char* producer, uint32_t sizeA) {
  UpdateDescription d;
  std::memcpy(d.producerName.data(), producer, std::strlen(producer));
  d.a.size = sizeA;
  return d;
}

CBuildConfig Company(std::string name) { return {std::move(name), {}}; }

TEST(UpdateAcceptance, OutcomesInOrder) {
  const CBuildConfig valdemo = Company("Valdemo Tech Co.");
  const CBuildConfig blank = Company(std::string(21, ' '));
  struct Case {
    const char* name;
    int parseResult;
    UpdateDescription description;
    const CBuildConfig& config;
    std::string outcome;
  };
  const Case cases[] = {
      {"bad trailer", -1, Described("Valdemo Tech Co.", 1), valdemo, "Wrong format of the file!-1"},
      {"bad brand table", -4, Described("Valdemo Tech Co.", 1), valdemo, "Wrong format of the file!-4"},
      {"parse result before producer", -1, Described("Other", 0), valdemo, "Wrong format of the file!-1"},
      {"other producer", 0, Described("Other Company Co.", 1), valdemo, "Version unmatched!"},
      {"producer before total", 0, Described("Other", 0), valdemo, "Version unmatched!"},
      {"one byte differs", 0, Described("Valdemo Tech Co,", 1), valdemo, "Version unmatched!"},
      {"nothing to send", 0, Described("Valdemo Tech Co.", 0), valdemo,
       "Cannot find the available database!"},
      {"sent", 0, Described("Valdemo Tech Co.", 1), valdemo, ""},
      {"bytes after 16 not compared", 0, Described("Valdemo Tech Co.XYZ", 1), valdemo, ""},
      {"blank company skips the check", 0, Described("Anyone", 1), blank, ""},
      {"blank company, nothing to send", 0, Described("Anyone", 0), blank,
       "Cannot find the available database!"},
      {"blank company, bad file", -4, Described("Anyone", 1), blank, "Wrong format of the file!-4"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(UpdateAcceptanceOutcome(c.parseResult, c.description, c.config), c.outcome) << c.name;
}

TEST(UpdateAcceptance, TotalCountsEverySection) {
  const CBuildConfig valdemo = Company("Valdemo Tech Co.");
  for (SectionSpan UpdateDescription::*s :
       {&UpdateDescription::a, &UpdateDescription::b, &UpdateDescription::c, &UpdateDescription::d,
        &UpdateDescription::e}) {
    UpdateDescription d = Described("Valdemo Tech Co.", 0);
    (d.*s).size = 1;
    EXPECT_EQ(UpdateAcceptanceOutcome(0, d, valdemo), "");
  }
  // Sizes whose 32-bit sum would wrap to 0 still count as something to send.
  UpdateDescription big = Described("Valdemo Tech Co.", 0);
  big.b.size = 0xFFFFFFFF;
  big.c.size = 1;
  EXPECT_EQ(big.TotalSize(), 0x100000000u);
  EXPECT_EQ(UpdateAcceptanceOutcome(0, big, valdemo), "");
}

TEST(UpdateAcceptance, CompanyNamesOfOtherLengths) {
  // A shorter name is compared as if followed by zero bytes.
  EXPECT_TRUE(ProducerMatches(Described("Acme", 1), Company("Acme")));
  EXPECT_FALSE(ProducerMatches(Described("Acme Inc", 1), Company("Acme")));
  // A longer one by its first 16 bytes.
  EXPECT_TRUE(ProducerMatches(Described("Valdemo Tech Co.", 1), Company("Valdemo Tech Co. Ltd")));
  EXPECT_FALSE(ProducerMatches(Described("", 1), Company("Valdemo Tech Co.")));
}

}  // namespace
}  // namespace brindle
