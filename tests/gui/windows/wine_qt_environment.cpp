// Wine hands a Windows program none of the host's QT_* environment
// variables, so ctest passes them to the Qt tests as BRINDLE_WINE_QT_*; this
// puts them back under their own names before Qt reads them. Under Windows
// itself the prefixed names are simply never set.
#include "core/windows/windows_api.h"

#include <stdlib.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kPrefix[] = L"BRINDLE_WINE_";

bool RestoreQtEnvironment() {
  const size_t prefixLength = std::wcslen(kPrefix);
  std::vector<std::wstring> found;
  // The C runtime's wide copy of the environment is made only on demand.
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; entry && *entry; entry += std::wcslen(entry) + 1)
    if (std::wcsncmp(entry, kPrefix, prefixLength) == 0) found.emplace_back(entry + prefixLength);
  if (block) FreeEnvironmentStringsW(block);
  for (const std::wstring& entry : found) {
    const size_t equals = entry.find(L'=');
    if (equals == std::wstring::npos || equals == 0) continue;
    // Both the C runtime's copy (Qt reads that one) and the process's.
    _wputenv_s(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str());
  }
  return true;
}

// Runs before main, so before QApplication reads its variables.
const bool kRestored = RestoreQtEnvironment();

}  // namespace
