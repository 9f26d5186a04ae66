#pragma once
// The 7-Zip the archive tests unpack with: on Linux the installed one
// (p7zip-full), on Windows the stand-in built beside the test programs
// (stand_in_archiver/7z.exe), which unpacks stored zip entries only.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "online/archivers.h"

#ifdef _WIN32
#include "core/windows/unicode.h"
#include "core/windows/windows_api.h"
#endif

namespace brindle::test {

// Its full path; empty when there is none.
inline std::string TestSevenZip() {
#ifdef _WIN32
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n == MAX_PATH) return {};
  const std::filesystem::path standIn =
      std::filesystem::path(self).parent_path() / "stand_in_archiver" / "7z.exe";
  std::error_code ec;
  return std::filesystem::is_regular_file(standIn, ec) ? Narrow(standIn.wstring()) : std::string();
#else
  const char* path = std::getenv("PATH");
  return FindOnPath("7z", path ? path : "");
#endif
}

// A PATH under which the program finds TestSevenZip() (empty when there
// is none): on Linux PATH as it is, on Windows its folder first.
inline std::string PathWithTestSevenZip() {
  const char* path = std::getenv("PATH");
  const std::string current = path ? path : "";
#ifdef _WIN32
  const std::string sevenZip = TestSevenZip();
  if (sevenZip.empty()) return current;
  return Narrow(std::filesystem::path(Widen(sevenZip)).parent_path().wstring()) + ";" + current;
#else
  return current;
#endif
}

}  // namespace brindle::test
