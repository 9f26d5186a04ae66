#pragma once
// What varies between builds: the company name and the brand table of
// version-file URLs. Code takes them from one configuration object so tests
// can run the brand rules and the online route for other companies.
#include <string>
#include <vector>

namespace brindle {

struct BrandRow {
  std::string brand;           // brand bytes; a brand matches when it begins with them
  std::string versionFileUrl;  // plain-text version file of that brand
};

struct CBuildConfig {
  // Bytes of the company name in the device's code page. Normally 16 bytes;
  // a name of 21 blanks is the blank configuration (no company check).
  std::string companyName;
  std::vector<BrandRow> brandTable;

  bool IsBlankCompany() const { return companyName == std::string(21, ' '); }

  // The configuration this program was built with.
  static const CBuildConfig& Default();
};

}  // namespace brindle
