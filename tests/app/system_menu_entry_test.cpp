#include "app/system_menu_entry.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

struct EntryCase {
  std::string company;
  std::string entry;
};

class VersionMenuEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(VersionMenuEntryTest, PrefixFollowsTheCompany) {
  CBuildConfig config;
  config.companyName = GetParam().company;
  EXPECT_EQ(VersionMenuEntry(config), GetParam().entry);
}

INSTANTIATE_TEST_SUITE_P(Companies, VersionMenuEntryTest,
                         ::testing::Values(EntryCase{"Valdemo Tech Co.", "Version14"},
                                           EntryCase{"Nerv/Pindar", "NervVersion14"},
                                           EntryCase{"Acme", "AcmeVersion14"},
                                           // Only the first 16 bytes count, and a NUL ends the name.
                                           EntryCase{"Valdemo Tech Co.XYZ", "Version14"},
                                           EntryCase{std::string("Nerv/Pindar\0zz", 14), "NervVersion14"},
                                           EntryCase{"", "Version14"}));

}  // namespace
}  // namespace brindle
