#pragma once
// Archivers as Windows registers them: each installer writes an "App Paths"
// key whose "Path" value names the program's folder.
#include <array>
#include <string>

#include "online/archivers.h"

namespace brindle {

struct WindowsArchiverRow {
  const wchar_t* appPathsKey;  // under SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths
  const char* program;         // the program file in the registered folder, also sought on PATH
  ArchiverStyle style;
  bool createsTargetFirst;
};

// WinRAR's own program unpacks all three formats, unlike the Linux rar tools.
inline constexpr std::array<WindowsArchiverRow, 3> kWindowsArchiverTable{{
    {L"WinRAR.exe", "WinRar.exe", ArchiverStyle::kRar, true},
    {L"HaoZip.exe", "HaoZipC.exe", ArchiverStyle::kSevenZip, false},
    {L"7zFM.exe", "7z.exe", ArchiverStyle::kSevenZip, false},
}};

// The "Path" value of the key, the user's registration (HKEY_CURRENT_USER)
// before the machine's; empty when neither has one. Read access only:
// a user without administrator rights can still read the machine's keys.
std::string ReadAppPath(const wchar_t* appPathsKey);

}  // namespace brindle
