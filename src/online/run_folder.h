#pragma once
// The per-system half of the working folder (working_folder.h): where the
// per-user folder is, how folders are made and files moved, and how a run
// holds its own folder so that no other run removes it. The shared half
// calls these with its lock held, which also guards the one hold kept here.
#include <cstddef>
#include <string>

namespace brindle::run_folder {

// A folder is never trimmed shorter than its root: "C:\\" or "/".
#ifdef _WIN32
inline constexpr size_t kRootLength = 3;
#else
inline constexpr size_t kRootLength = 1;
#endif

// The per-user working folder, not created; empty when there is none.
std::string DefaultWorkingFolder();

// Makes folder and its missing parents; existing ones are fine.
void CreateFolderPath(const std::string& folder);

// Removes the run folders under base whose runs have ended, then makes a
// fresh one and holds it until RemoveHeldRunFolder. Its path; empty when
// base may not hold run folders or no folder could be made.
std::string HoldNewRunFolder(const std::string& base);

// Lets go of the held folder (at path folder) and removes it with everything
// in it; links are removed, never followed. Nothing when none is held.
void RemoveHeldRunFolder(const std::string& folder);

// Moves the file at from to to, replacing a file there.
bool MoveReplacing(const std::string& from, const std::string& to);

}  // namespace brindle::run_folder
