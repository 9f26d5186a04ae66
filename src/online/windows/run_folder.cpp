// Working files on Windows: %LOCALAPPDATA%\Brindle, one run folder per run.
// A run keeps its folder open without delete sharing for its whole life, so
// no other run can remove it; the system closes a killed run's handle, and
// the next run removes what it left.
#include "online/run_folder.h"

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "core/path_separators.h"
#include "core/windows/unicode.h"
#include "core/windows/unique_handle.h"
#include "core/windows/windows_api.h"
#include "online/file_search.h"

namespace brindle::run_folder {

namespace {

constexpr const char* kRunPrefix = "run-";
constexpr const char* kFolderName = "Brindle";

CUniqueHandle g_runHandle;  // the run folder, held open while it lives

// A real folder: not a reparse point that could lead anywhere.
bool IsPlainFolder(const std::string& folder) {
  const DWORD attributes = GetFileAttributesW(Widen(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Opens a folder so that nobody may delete or rename it while it is open.
// share: what others may still do; 0 when the open must be the only one.
CUniqueHandle OpenFolder(const std::string& folder, DWORD share) {
  return CUniqueHandle(CreateFileW(Widen(folder).c_str(), FILE_LIST_DIRECTORY, share, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Removes the run folders whose runs ended without removing them: a folder
// nobody has open is nobody's.
void RemoveAbandonedRunFolders(const std::string& base) {
  std::vector<std::string> names;
  FindFiles(
      base,
      [](const std::string& path, uint32_t attributes, void* context) {
        const size_t cut = path.find_last_of(kPathSeparators);
        const std::string name = path.substr(cut + 1);
        if (attributes == kFileAttributeDirectory && name.rfind(kRunPrefix, 0) == 0)
          static_cast<std::vector<std::string>*>(context)->push_back(name);
        return false;
      },
      false, &names);
  for (const std::string& name : names) {
    const std::string folder = base + "\\" + name;
    if (!OpenFolder(folder, 0)) continue;  // its run still holds it
    DeleteFolderTree(folder);
  }
}

std::string RandomSuffix() {
  static std::atomic<unsigned> counter{0};
  const unsigned long long seed = (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^
                                  GetTickCount64() ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  unsigned long long v = seed * 0xBF58476D1CE4E5B9ull;
  for (int i = 0; i < 6; ++i) {
    suffix += kChars[v % 36];
    v /= 36;
  }
  return suffix;
}

}  // namespace

std::string DefaultWorkingFolder() {
  const std::string local = EnvironmentText(L"LOCALAPPDATA");
  return local.empty() ? std::string() : local + "\\" + kFolderName;
}

// mkdir -p; existing folders are fine.
void CreateFolderPath(const std::string& folder) {
  for (size_t pos = folder.find_first_of(kPathSeparators, 3); pos != std::string::npos;
       pos = folder.find_first_of(kPathSeparators, pos + 1))
    CreateDirectoryW(Widen(folder.substr(0, pos)).c_str(), nullptr);
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
}

std::string HoldNewRunFolder(const std::string& base) {
  if (!IsPlainFolder(base)) return {};
  RemoveAbandonedRunFolders(base);
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string folder = base + "\\" + kRunPrefix + RandomSuffix();
    if (!CreateDirectoryW(Widen(folder).c_str(), nullptr)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return {};
    }
    // Another run's sweep may take the new folder before we hold it: then
    // the open fails and another name is tried.
    CUniqueHandle held = OpenFolder(folder, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!held || !IsPlainFolder(folder)) continue;
    g_runHandle = std::move(held);
    return folder;
  }
  return {};
}

void RemoveHeldRunFolder(const std::string& folder) {
  if (!g_runHandle) return;
  // Our own handle forbids deleting: it goes first.
  g_runHandle.Reset();
  DeleteFolderTree(folder);
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace brindle::run_folder
