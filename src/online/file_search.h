#pragma once
// Search of an unpacked folder tree for the update file, and its removal.
// Neither ever follows a symbolic link: an archive may carry a link to "/"
// or to any file, and nothing outside the unpacked tree may be read as the
// update file or deleted.
#include <cstdint>
#include <string>

#include "core/unique_fd.h"

namespace brindle {

// Entry attributes handed to a FindFiles callback: one bit per kind of
// entry, so a callback tests them as a mask.
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeDevice = 0x40;         // fifo, socket, device node
constexpr uint32_t kFileAttributeNormal = 0x80;         // regular file
constexpr uint32_t kFileAttributeReparsePoint = 0x400;  // symbolic link, never followed

using FindFilesCallback = bool (*)(const std::string& path, uint32_t attributes, void* context);

// Enumerates folder in the order the file system gives. With recursive set,
// subfolders (not "." and "..") are searched in turn and the callback is not
// called for them; every other entry goes to the callback, and a callback
// answer of true ends the enumeration of that folder only. Returns -1 when
// the folder cannot be enumerated, else the callback calls made in this
// folder plus the positive results of its subfolders. Symbolic links reach
// the callback as kFileAttributeReparsePoint entries and are never entered.
int FindFiles(const std::string& folder, FindFilesCallback callback, bool recursive, void* context);

// FindFiles callback; context is a std::string*. True for a regular file
// whose extension (the text after the last dot of the path) is "dwm" in any
// letter case; the path is then stored into the context.
bool IsUpdateFile(const std::string& path, uint32_t attributes, void* context);

// Deletes everything in folder and then folder itself. Links inside are
// removed as links; what they point to is never touched. A folder that is
// itself a link is removed as a link. Failures are ignored.
void DeleteFolderTree(const std::string& folder);

// Creates folder for this user alone (mode 0700); one that exists already is
// left as it is. Its parent must exist.
void CreatePrivateFolder(const std::string& folder);

// Opens path for reading (binary) only when it is a regular file: a link is
// not followed and a FIFO or device is never waited on. The descriptor, or
// -1.
CUniqueFd OpenRegularFile(const std::string& path);

// True when path names something that can be opened for reading.
bool FileExists(const std::string& path);

}  // namespace brindle
