#pragma once
// The per-user folder that holds the working files of the online route
// ("Tmp", the downloaded archive, the unpacking folder "TmpTmp"). The
// program's own folder is read-only once installed, so these files live in
// $XDG_CACHE_HOME/brindle, else ~/.cache/brindle. Each run of the program
// keeps its files in a fresh folder of its own there ("run-XXXXXX"), so two
// runs never unpack into or delete each other's files.
#include <string>

namespace brindle {

// The working folder, created on demand with mode 0700 (its parents with the
// usual 0755 less the umask). Without a trailing slash. Empty only when no
// home folder can be found at all.
std::string WorkingFolder();

// This run's own folder under WorkingFolder(), made on first use (mode 0700)
// and held with an flock on the folder for as long as the run lasts. Run
// folders that nobody holds any more (their run was killed) are removed
// first. Empty when the working folder is missing or not this user's own.
std::string RunFolder();

// RunFolder() + "/" + name; empty when there is no run folder.
std::string WorkingFolderPath(const std::string& name);

// Removes this run's folder with everything in it (symbolic links are
// removed, never followed). The next RunFolder() makes a fresh one.
void EndRunFolder();

// Ends the run folder when the program's main() leaves, however it leaves it.
class CRunFolderScope {
 public:
  CRunFolderScope() = default;
  ~CRunFolderScope() { EndRunFolder(); }
  CRunFolderScope(const CRunFolderScope&) = delete;
  CRunFolderScope& operator=(const CRunFolderScope&) = delete;
};

// Moves a file this run must leave to the user (an archive to unpack by
// hand) from the run folder up into WorkingFolder(), replacing a file of
// that name there. The new path, or the old one when it cannot be moved.
std::string KeepInWorkingFolder(const std::string& path);

// Makes WorkingFolder() answer folder instead (tests); an empty text goes back
// to the per-user folder. Ends the current run folder first. Call before any
// other thread uses the folder.
void SetWorkingFolderOverride(const std::string& folder);

}  // namespace brindle
