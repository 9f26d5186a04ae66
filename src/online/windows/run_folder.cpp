// Working files on Windows: %LOCALAPPDATA%\Brindle, one run folder per run.
// A run keeps its folder open without delete sharing for its whole life, so
// no other run can remove it; the system closes a killed run's handle, and
// the next run removes what it left.
#include "online/working_folder.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "core/windows/unicode.h"
#include "core/windows/windows_api.h"
#include "online/file_search.h"

namespace brindle {

namespace {

constexpr const char* kRunPrefix = "run-";
constexpr const char* kFolderName = "Brindle";

std::mutex g_mutex;  // guards everything below
std::string g_override;
std::string g_runFolder;                    // this run's folder, empty before first use
HANDLE g_runHandle = INVALID_HANDLE_VALUE;  // the run folder, held open while it lives

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// mkdir -p; existing folders are fine.
void CreateFolder(const std::string& folder) {
  for (size_t pos = folder.find_first_of("\\/", 3); pos != std::string::npos;
       pos = folder.find_first_of("\\/", pos + 1))
    CreateDirectoryW(Widen(folder.substr(0, pos)).c_str(), nullptr);
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
}

// A real folder: not a reparse point that could lead anywhere.
bool IsPlainFolder(const std::string& folder) {
  const DWORD attributes = GetFileAttributesW(Widen(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::string WorkingFolderLocked() {
  std::string folder = g_override;
  if (folder.empty()) {
    const std::string local = EnvironmentText(L"LOCALAPPDATA");
    if (local.empty()) return {};
    folder = local + "\\" + kFolderName;
  }
  while (folder.size() > 3 && IsSeparator(folder.back())) folder.pop_back();
  CreateFolder(folder);
  return folder;
}

// Opens a folder so that nobody may delete or rename it while it is open.
// share: what others may still do; 0 when the open must be the only one.
HANDLE OpenFolder(const std::string& folder, DWORD share) {
  return CreateFileW(Widen(folder).c_str(), FILE_LIST_DIRECTORY, share, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Removes the run folders whose runs ended without removing them: a folder
// nobody has open is nobody's.
void RemoveAbandonedRunFolders(const std::string& base) {
  std::vector<std::string> names;
  FindFiles(
      base,
      [](const std::string& path, uint32_t attributes, void* context) {
        const size_t cut = path.find_last_of("\\/");
        const std::string name = path.substr(cut + 1);
        if (attributes == kFileAttributeDirectory && name.rfind(kRunPrefix, 0) == 0)
          static_cast<std::vector<std::string>*>(context)->push_back(name);
        return false;
      },
      false, &names);
  for (const std::string& name : names) {
    const std::string folder = base + "\\" + name;
    HANDLE probe = OpenFolder(folder, 0);
    if (probe == INVALID_HANDLE_VALUE) continue;  // its run still holds it
    CloseHandle(probe);
    DeleteFolderTree(folder);
  }
}

void EndRunFolderLocked() {
  if (g_runHandle == INVALID_HANDLE_VALUE) return;
  // Our own handle forbids deleting: it goes first.
  CloseHandle(g_runHandle);
  g_runHandle = INVALID_HANDLE_VALUE;
  DeleteFolderTree(g_runFolder);
  g_runFolder.clear();
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

std::string WorkingFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return WorkingFolderLocked();
}

std::string RunFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_runHandle != INVALID_HANDLE_VALUE) return g_runFolder;
  const std::string base = WorkingFolderLocked();
  if (base.empty() || !IsPlainFolder(base)) return {};
  RemoveAbandonedRunFolders(base);
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string folder = base + "\\" + kRunPrefix + RandomSuffix();
    if (!CreateDirectoryW(Widen(folder).c_str(), nullptr)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return {};
    }
    // Another run's sweep may take the new folder before we hold it: then
    // the open fails and another name is tried.
    HANDLE held = OpenFolder(folder, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (held == INVALID_HANDLE_VALUE) continue;
    if (!IsPlainFolder(folder)) {
      CloseHandle(held);
      continue;
    }
    g_runHandle = held;
    g_runFolder = folder;
    return g_runFolder;
  }
  return {};
}

std::string WorkingFolderPath(const std::string& name) {
  const std::string folder = RunFolder();
  return folder.empty() ? std::string() : folder + "\\" + name;
}

void EndRunFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  EndRunFolderLocked();
}

std::string KeepInWorkingFolder(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return path;
  const std::string base = WorkingFolder();
  if (base.empty()) return path;
  const std::string kept = base + "\\" + path.substr(slash + 1);
  return MoveFileExW(Widen(path).c_str(), Widen(kept).c_str(), MOVEFILE_REPLACE_EXISTING) ? kept : path;
}

void SetWorkingFolderOverride(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_mutex);
  EndRunFolderLocked();
  g_override = folder;
}

}  // namespace brindle
