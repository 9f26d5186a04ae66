// The search for the device, and the status-text hint shown while a device
// is present that the user may not open (no udev rule installed).
#include <filesystem>

#include "app/brindle_window.h"
#include "app/window_texts.h"
#include "core/utf8_path.h"

namespace brindle {

int CBrindleWindow::SearchForDevice() {
  m_hid.SetProgressWindow(this);
  m_hid.Connect();
  if (m_hid.IsConnected()) ++m_deviceSession;
  ShowAccessHint();
  return m_hid.IsConnected();
}

void CBrindleWindow::ShowAccessHint() {
  const bool refused = m_hid.IsConnected() == 0 && m_hid.LastOpenFailure() == HidOpenFailure::kPermission;
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
