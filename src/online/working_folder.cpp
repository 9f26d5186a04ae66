// The shared half of the working folder: the folder's name, this run's
// folder and the file kept for the user. What differs per system (where the
// folder is, how a run holds its own) is in run_folder.h.
#include "online/working_folder.h"

#include <mutex>
#include <string_view>

#include "core/path_separators.h"
#include "online/run_folder.h"

namespace brindle {

namespace {

std::mutex g_mutex;  // guards everything below and the run folder's hold
std::string g_override;
std::string g_runFolder;  // this run's folder while it is held, else empty

std::string WorkingFolderLocked() {
  std::string folder = g_override.empty() ? run_folder::DefaultWorkingFolder() : g_override;
  if (folder.empty()) return {};
  while (folder.size() > run_folder::kRootLength &&
         std::string_view(kPathSeparators).find(folder.back()) != std::string_view::npos)
    folder.pop_back();
  run_folder::CreateFolderPath(folder);
  return folder;
}

void EndRunFolderLocked() {
  if (g_runFolder.empty()) return;
  run_folder::RemoveHeldRunFolder(g_runFolder);
  g_runFolder.clear();
}

}  // namespace

std::string WorkingFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return WorkingFolderLocked();
}

std::string RunFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_runFolder.empty()) return g_runFolder;
  const std::string base = WorkingFolderLocked();
  if (!base.empty()) g_runFolder = run_folder::HoldNewRunFolder(base);
  return g_runFolder;
}

std::string WorkingFolderPath(const std::string& name) {
  const std::string folder = RunFolder();
  return folder.empty() ? std::string() : folder + kPathSeparator + name;
}

void EndRunFolder() {
  std::lock_guard<std::mutex> lock(g_mutex);
  EndRunFolderLocked();
}

std::string KeepInWorkingFolder(const std::string& path) {
  const size_t slash = path.find_last_of(kPathSeparators);
  if (slash == std::string::npos) return path;
  const std::string base = WorkingFolder();
  if (base.empty()) return path;
  const std::string kept = base + kPathSeparator + path.substr(slash + 1);
  return run_folder::MoveReplacing(path, kept) ? kept : path;
}

void SetWorkingFolderOverride(const std::string& folder) {
  std::lock_guard<std::mutex> lock(g_mutex);
  EndRunFolderLocked();
  g_override = folder;
}

}  // namespace brindle
