// The Open button: the user picks the update file, whose path becomes the
// status text that the identification and the update read back.
#include "app/brindle_window.h"
#include "app/window_texts.h"

namespace brindle {

void CBrindleWindow::OnOpenClicked() {
  std::string path;
  if (ShowFileOpenDialog(text::kUpdateFileExtension, text::kUpdateFileFilter, path) != IDOK) return;
  // A local file replaces whatever the online route was fetching.
  RequestDownloadAbort();
  m_fileChosen = true;
  SetControlText(kIdStatusText, path);
  if (m_deviceReady) EnableControl(kIdUpdateButton, true);
}

}  // namespace brindle
