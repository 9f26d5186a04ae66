// The window's side of the HTTP downloader. The downloader is not part of the
// window yet: a version-file download cannot be started, so no download
// message can arrive, and the handlers below have nothing to act on.
#include "app/brindle_window.h"

namespace brindle {

std::string CBrindleWindow::StartVersionFileDownload() { return "no downloader available"; }

void CBrindleWindow::RequestDownloadAbort() {}

LRESULT CBrindleWindow::OnDownloadFinished(WPARAM, LPARAM) { return 0; }
LRESULT CBrindleWindow::OnDownloadSize(WPARAM, LPARAM) { return 0; }
LRESULT CBrindleWindow::OnDownloadPercent(WPARAM, LPARAM) { return 0; }
LRESULT CBrindleWindow::OnDownloadSpeed(WPARAM, LPARAM) { return 0; }

}  // namespace brindle
