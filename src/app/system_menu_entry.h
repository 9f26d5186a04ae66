#pragma once
// The entry the main window adds to its window menu: a company prefix, then
// "Version" and the number 14. Choosing it does nothing; the About box
// answers the system commands 0x0010..0x001F, which no entry carries.
#include <cstdint>
#include <string>

#include "core/build_config.h"

namespace brindle {

constexpr uint32_t kVersionEntryCommand = 0;
constexpr uint32_t kSysCommandAboutFirst = 0x0010;
constexpr uint32_t kSysCommandAboutLast = 0x001F;
constexpr int kVersionEntryNumber = 14;

// The entry's text in the company name's code page: no prefix for
// "Valdemo Tech Co.", "Nerv" for "Nerv/Pindar", otherwise the first 16
// bytes of the company name (up to a NUL). Empty means no entry.
std::string VersionMenuEntry(const CBuildConfig& config);

}  // namespace brindle
