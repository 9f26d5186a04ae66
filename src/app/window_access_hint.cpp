// The search for the device, and the status-text hint shown while a device
// is present that the user may not open (no udev rule installed).
#include <filesystem>

#include "app/brindle_window.h"
#include "app/window_texts.h"
#include "core/utf8_path.h"

namespace brindle {

int CBrindleWindow::SearchForDevice() {
  m_hid.m_progressWnd = this;
  m_hid.m_connected = m_hid.m_io.FindAndOpen();
  if (m_hid.m_connected.load()) ++m_deviceSession;
  ShowAccessHint();
  return m_hid.m_connected.load();
}

void CBrindleWindow::ShowAccessHint() {
  const bool refused = m_hid.m_connected.load() == 0 &&
                       m_hid.m_io.LastOpenFailure() == HidOpenFailure::kPermission;
  const std::string status = GetControlText(kIdStatusText);
  const bool showing = status == text::kAccessHint;
  if (refused) {
    // The status text is also the chosen update file, which the Update
    // button reads back: a file name is never replaced.
    std::error_code ec;
    if (showing || std::filesystem::is_regular_file(Utf8Path(status), ec)) return;
    m_textBeforeHint = status;
    SetControlText(kIdStatusText, text::kAccessHint);
    return;
  }
  // Opened, or no device is there any more. A text written over the hint
  // meanwhile stays.
  if (!showing) return;
  SetControlText(kIdStatusText, m_textBeforeHint.empty() ? text::kChooseFile : m_textBeforeHint);
  m_textBeforeHint.clear();
}

}  // namespace brindle
