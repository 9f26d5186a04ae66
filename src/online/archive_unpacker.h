#pragma once
// Unpacks an update archive with the archivers that fit it, one after the
// other until one has done the job.
#include <atomic>
#include <functional>
#include <string>

namespace brindle {

enum class UnpackResult {
  kUnpacked,    // an archiver ended with status 0 and unpacked() said yes
  kNoArchiver,  // no program on PATH fits the archive: the user must unpack it
  kFailed,      // every fitting archiver failed
  kStopped,     // stop became true
};

// Runs each of FittingArchivers(archivePath, targetFolder) in turn, each
// into an emptied targetFolder (created first where its row needs it), and
// after each that ended with status 0 asks unpacked() whether the result is
// usable (for instance whether it holds an update file). A failed archiver
// leaves nothing for the next one: its partial output is removed first.
UnpackResult UnpackArchive(const std::string& archivePath, const std::string& targetFolder,
                           const std::atomic<bool>* stop, const std::function<bool()>& unpacked);

}  // namespace brindle
