#pragma once
// brindle-cli commands of the online route that need no device.
#include <string>
#include <vector>

namespace brindle::cli {

// download URL OUT: fetches URL into OUT with the downloader. The outcome
// name (and its detail when there is one) on stdout, progress on stderr;
// exit 0 on DownloadOk, 1 on any other outcome or a refused start, 2 on a
// usage error. Ctrl-C stops the transfer (DownloadAborted).
int RunDownload(const std::vector<std::string>& args);

}  // namespace brindle::cli
