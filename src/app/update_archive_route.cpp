#include "app/update_archive_route.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/window_texts.h"
#include "core/path_separators.h"
#include "online/archive_unpacker.h"
#include "online/file_search.h"
#include "online/working_folder.h"
#include "update/update_outcomes.h"

namespace brindle {

namespace {

bool EndsWith(const std::string& text, const char* tail) {
  const std::string t(tail);
  return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

// The archive kinds an archiver can take, told by the end of the name in
// exact letter case.
bool HasArchiveExtension(const std::string& path) {
  return EndsWith(path, "rar") || EndsWith(path, "zip") || EndsWith(path, "7z");
}

// Sleeps ms, waking early when the window asks the worker to stop.
void SleepUnlessStopped(const std::atomic<bool>& stop, int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!stop.load(std::memory_order_acquire) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

}  // namespace

std::string ManualUnpackOutcome(const std::string& archivePath) {
  return std::string(kTextNoArchiver) + "\nThe downloaded archive is: " + archivePath;
}

std::string FetchUpdateFileFromArchive(CBrindleWindow& w, const std::string& archiveUrl,
                                       const std::atomic<bool>& stop, ArchiveRoute& route,
                                       std::string& path) {
  // The archive keeps the name the URL gives it, after its last separator:
  // "/" and, where the system parts folders with it too, "\\" (which a
  // server, or anyone on the path of a plain-http version file, could use
  // to climb out of the folder). A name that is no file name ("", "." or
  // ".."), or that holds ":" (a drive or a file's stream on Windows) or a
  // control character, is refused.
  const size_t cut = archiveUrl.find_last_of(std::string("/") + kPathSeparators);
  const std::string name = cut == std::string::npos ? archiveUrl : archiveUrl.substr(cut + 1);
  const bool unsafe = std::any_of(name.begin(), name.end(), [](char c) {
    return c == ':' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
  // This run's own folder: another run's archive or unpacked tree of the
  // same name can never be taken for ours, nor ours deleted by it.
  const std::string folder = RunFolder();
  if (folder.empty() || name.empty() || name == "." || name == ".." || unsafe) return text::kDownloadFailed;
  route.archivePath = folder + "/" + name;
  route.tempFolder = folder + "/" + kUnpackFolderName;

  if (FileExists(route.archivePath)) std::remove(route.archivePath.c_str());
  w.RunOnWindowThread([&] { w.ClearDownloadError(); });
  CHttpDownload& download = w.Downloader();
  download.SetParams(&w, archiveUrl, route.archivePath);
  if (stop.load(std::memory_order_acquire)) return text::kDownloadFailed;
  const std::string startError = download.Start(true);
  if (!startError.empty()) return startError;
  // The download ran in this thread, so its outcome is known here; the
  // window's handler of its end message shows the same failure on the bar.
  if (download.LastOutcome() != DownloadOk) return text::kDownloadFailed;

  w.RunOnWindowThread([&] { w.SetProgressPos(0); });
  if (!HasArchiveExtension(route.archivePath)) {
    std::remove(route.archivePath.c_str());
    route.archivePath.clear();
    return kTextNoUpdateFile;
  }
  w.RunOnWindowThread([&] { w.SetControlText(kIdProgress, kTextDecompressing); });
  // Whatever an earlier run left in the folder must not be taken for this
  // archive's update file.
  DeleteFolderTree(route.tempFolder);
  // The archivers that fit the archive's format are tried in turn; one
  // counts only when it ended well and its output holds an update file.
  std::string found;
  const UnpackResult unpacked = UnpackArchive(route.archivePath, route.tempFolder, &stop, [&] {
    SleepUnlessStopped(stop, kAfterArchiverMs);
    found.clear();
    FindFiles(route.tempFolder, IsUpdateFile, true, &found);
    return !found.empty();
  });
  // The archive stays for the user, who is told where it is: out of this
  // run's folder, which goes when the run ends.
  if (unpacked == UnpackResult::kNoArchiver) {
    route.archivePath = KeepInWorkingFolder(route.archivePath);
    return ManualUnpackOutcome(route.archivePath);
  }
  if (unpacked != UnpackResult::kUnpacked || found.empty()) return kTextNoUpdateFile;
  std::remove(route.archivePath.c_str());
  route.archivePath.clear();
  path = found;
  return {};
}

}  // namespace brindle
