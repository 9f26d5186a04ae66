// Archivers on Windows: found through their "App Paths" registration, PATH
// as the fallback, and run by their full path only.
#include "online/archivers.h"

#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <type_traits>

#include "core/windows/unicode.h"
#include "core/windows/unique_handle.h"
#include "core/windows/windows_api.h"
#include "online/windows/app_paths.h"

namespace brindle {

namespace {

bool IsAbsoluteFolder(const std::string& folder) {
  // "C:\..." or "C:/...", or a UNC path; "C:" alone is relative to that
  // drive's current folder.
  if (folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == ':' &&
      (folder[2] == '\\' || folder[2] == '/'))
    return true;
  return folder.size() >= 2 && (folder[0] == '\\' || folder[0] == '/') && folder[0] == folder[1];
}

// A regular file: no folder, device or reparse point (a link could lead
// anywhere once the check is done).
bool IsPlainFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT)) ==
         0;
}

// Closes a registry key when it goes.
struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// The "Path" value of the key opened in the registry view given (0 the
// process's own, KEY_WOW64_32KEY the one 32-bit installers write to on
// 64-bit Windows). RegGetValueW expands a REG_EXPAND_SZ value, which it then
// counts as REG_SZ (asking for REG_EXPAND_SZ as such is refused unless
// unexpanded). Empty when there is none.
std::string ReadPathValue(HKEY root, const std::wstring& subKey, REGSAM view) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS) return {};
  const UniqueKey key(opened);
  constexpr DWORD kTypes = RRF_RT_REG_SZ;
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD bytes = 0;
    if (RegGetValueW(key.get(), nullptr, L"Path", kTypes, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
      return {};
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    const LSTATUS rc = RegGetValueW(key.get(), nullptr, L"Path", kTypes, nullptr, value.data(), &bytes);
    if (rc == ERROR_MORE_DATA) continue;  // the value grew meanwhile
    if (rc != ERROR_SUCCESS) return {};
    value.resize(bytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return Narrow(value);
  }
  return {};
}

}  // namespace

std::string ReadAppPath(const wchar_t* appPathsKey) {
  const std::wstring subKey =
      std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + appPathsKey;
  // A 32-bit WinRAR, HaoZip or 7-Zip on 64-bit Windows registers in the
  // 32-bit view of HKLM, which a 64-bit program does not see by default.
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_32KEY}}) {
      std::string folder = ReadPathValue(root, subKey, view);
      if (!folder.empty()) return folder;
    }
  }
  return {};
}

std::string FindOnPath(const std::string& name, const std::string& pathList) {
  size_t begin = 0;
  while (begin <= pathList.size()) {
    size_t end = pathList.find(';', begin);
    if (end == std::string::npos) end = pathList.size();
    std::string folder = pathList.substr(begin, end - begin);
    begin = end + 1;
    // Quoted entries are allowed in PATH on Windows.
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"')
      folder = folder.substr(1, folder.size() - 2);
    if (!IsAbsoluteFolder(folder)) continue;
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    const std::string candidate = folder + name;
    if (IsPlainFile(candidate)) return candidate;
  }
  return {};
}

ArchiveKind ArchiveKindOf(const std::string& path) {
  const CUniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  unsigned char head[kArchiveHeadBytes] = {};
  DWORD n = 0;
  // Only a file on disk has a signature; a pipe or device could block.
  const bool read = file && GetFileType(file.Get()) == FILE_TYPE_DISK &&
                    ReadFile(file.Get(), head, sizeof head, &n, nullptr);
  return read ? ArchiveKindOfHead(head, n) : ArchiveKind::kUnknown;
}

std::vector<ArchiverCommand> FittingArchivers(const std::string& archivePath,
                                              const std::string& targetFolder) {
  const std::string pathList = EnvironmentText(L"PATH");
  std::string target = targetFolder;
  while (target.size() > 3 && (target.back() == '\\' || target.back() == '/')) target.pop_back();
  std::vector<ArchiverCommand> commands;
  for (const WindowsArchiverRow& row : kWindowsArchiverTable) {
    std::string found;
    std::string folder = ReadAppPath(row.appPathsKey);
    if (!folder.empty()) {
      if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
      if (IsPlainFile(folder + row.program)) found = folder + row.program;
    }
    if (found.empty()) found = FindOnPath(row.program, pathList);
    if (found.empty()) continue;
    commands.push_back({std::move(found), ArchiverArguments(row.style, archivePath, target), target,
                        row.createsTargetFirst});
  }
  return commands;
}

}  // namespace brindle
