#pragma once
// The update worker's archive route: with no update file at hand it
// downloads the update archive into this run's folder, unpacks it with an
// installed archiver into "TmpTmp" there and finds the update file in it.
#include <atomic>
#include <string>

#include "app/brindle_window.h"

namespace brindle {

// Working files a run has set up; the worker removes the folder tree at the
// end of the run.
struct ArchiveRoute {
  std::string archivePath;  // the downloaded archive; cleared once deleted
  std::string tempFolder;   // the unpacking folder
};

// Name of the unpacking folder inside the working folder.
inline constexpr char kUnpackFolderName[] = "TmpTmp";
// Time the archiver's last files get to settle after it ended.
constexpr int kAfterArchiverMs = 500;

// The outcome when no installed archiver fits the downloaded archive: the
// user must unpack it by hand, so the text also says where it is.
std::string ManualUnpackOutcome(const std::string& archivePath);

// Runs the route for archiveUrl in the worker's thread; stop is the run's
// stop request. Empty with path set to the update file found, or the
// outcome text the run ends with.
std::string FetchUpdateFileFromArchive(CBrindleWindow& window, const std::string& archiveUrl,
                                       const std::atomic<bool>& stop, ArchiveRoute& route, std::string& path);

}  // namespace brindle
