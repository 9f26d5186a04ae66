#pragma once
// The per-user folder that holds the working files of the online route
// ("Tmp", the downloaded archive, the unpacking folder "TmpTmp"). The
// program's own folder is read-only once installed, so these files live in
// $XDG_CACHE_HOME/brindle, else ~/.cache/brindle.
#include <string>

namespace brindle {

// The working folder, created on demand with mode 0700 (its parents with the
// usual 0755 less the umask). Without a trailing slash. Empty only when no
// home folder can be found at all.
std::string WorkingFolder();

// WorkingFolder() + "/" + name; the folder is created first.
std::string WorkingFolderPath(const std::string& name);

// Makes WorkingFolder() answer folder instead (tests); an empty text goes back
// to the per-user folder. Call before any other thread uses the folder.
void SetWorkingFolderOverride(const std::string& folder);

}  // namespace brindle
