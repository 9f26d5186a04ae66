// Folder search and removal on Windows. Reparse points (symbolic links,
// junctions, mount points) are reported as such and never entered: an
// archive may carry one that leads to any folder on the machine.
#include "online/file_search.h"

#include <fcntl.h>
#include <io.h>

#include "core/windows/unicode.h"
#include "core/windows/unique_handle.h"
#include "core/windows/windows_api.h"

namespace brindle {

namespace {

struct FindCloser {
  HANDLE h;
  ~FindCloser() {
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
};

uint32_t AttributesOf(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return kFileAttributeReparsePoint;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kFileAttributeDirectory;
  if (attributes & FILE_ATTRIBUTE_DEVICE) return kFileAttributeDevice;
  return kFileAttributeNormal;
}

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

std::string WithSlash(const std::string& folder) { return EndsWithSeparator(folder) ? folder : folder + "/"; }

// Calls each(name, attributes) for every entry, "." and ".." only when
// withDots is set. False when the folder cannot be listed.
template <typename Each>
bool ForEachEntry(const std::string& folder, bool withDots, Each each) {
  // The folder itself must not be a reparse point either.
  const DWORD self = GetFileAttributesW(Widen(folder).c_str());
  if (self == INVALID_FILE_ATTRIBUTES || !(self & FILE_ATTRIBUTE_DIRECTORY) ||
      (self & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  WIN32_FIND_DATAW data{};
  FindCloser find{FindFirstFileExW(Widen(WithSlash(folder) + "*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, 0)};
  if (find.h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring name = data.cFileName;
    if (!withDots && (name == L"." || name == L"..")) continue;
    if (!each(Narrow(name), data.dwFileAttributes)) break;
  } while (FindNextFileW(find.h, &data));
  return true;
}

int FindFilesIn(const std::string& folder, FindFilesCallback callback, bool recursive, void* context) {
  const std::string prefix = WithSlash(folder);
  int count = 0;
  // Without recursion every entry is the callback's, as a folder listing
  // gives them; a recursive search never takes "." or ".." for a subfolder.
  const bool listed = ForEachEntry(folder, !recursive, [&](const std::string& name, DWORD raw) {
    const std::string path = prefix + name;
    const uint32_t attributes = AttributesOf(raw);
    if (recursive && attributes == kFileAttributeDirectory) {
      const int sub = FindFilesIn(path, callback, recursive, context);
      if (sub > 0) count += sub;
      return true;
    }
    ++count;
    return !callback(path, attributes, context);
  });
  return listed ? count : -1;
}

void DeleteEntry(const std::string& path, DWORD attributes) {
  const std::wstring wide = Widen(path);
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // The link goes, what it leads to stays.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
      RemoveDirectoryW(wide.c_str());
    else
      DeleteFileW(wide.c_str());
    return;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    ForEachEntry(path, false, [&](const std::string& name, DWORD raw) {
      DeleteEntry(WithSlash(path) + name, raw);
      return true;
    });
    RemoveDirectoryW(wide.c_str());
    return;
  }
  // Unpacked files may carry the read-only attribute from the archive.
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  DeleteFileW(wide.c_str());
}

}  // namespace

int FindFiles(const std::string& folder, FindFilesCallback callback, bool recursive, void* context) {
  if (folder.empty() || !callback) return -1;
  return FindFilesIn(folder, callback, recursive, context);
}

void DeleteFolderTree(const std::string& folder) {
  if (folder.empty()) return;
  std::string top = folder;
  while (top.size() > 3 && EndsWithSeparator(top)) top.pop_back();
  const DWORD attributes = GetFileAttributesW(Widen(top).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  // A plain file is not a folder tree: left alone, as on other systems.
  if (!(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) return;
  DeleteEntry(top, attributes);
}

CUniqueFd OpenRegularFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)))
    return {};
  CUniqueFd fd(_wopen(Widen(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
  // A pipe or console never counts as a file.
  if (!fd || GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd.Get()))) != FILE_TYPE_DISK) return {};
  return fd;
}

void CreatePrivateFolder(const std::string& folder) {
  // The default security of a folder under the user's profile already
  // keeps other users out.
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  const CUniqueHandle h(CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return static_cast<bool>(h);
}

}  // namespace brindle
