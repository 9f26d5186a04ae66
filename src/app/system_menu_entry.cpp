#include "app/system_menu_entry.h"

namespace brindle {

namespace {
constexpr size_t kCompanyNameBytes = 16;
}  // namespace

std::string VersionMenuEntry(const CBuildConfig& config) {
  std::string prefix = config.companyName.substr(0, kCompanyNameBytes);
  prefix = prefix.substr(0, prefix.find('\0'));
  if (prefix == "Valdemo Tech Co.") {
    prefix.clear();
  } else if (prefix == "Nerv/Pindar") {
    prefix = "Nerv";
  }
  return prefix + "Version" + std::to_string(kVersionEntryNumber);
}

}  // namespace brindle
