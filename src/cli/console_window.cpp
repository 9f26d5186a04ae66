#include "cli/console_window.h"

#include <iostream>

namespace brindle::cli {

CConsoleWindow::CConsoleWindow(std::shared_ptr<IHidBackend> backend, const CBuildConfig& config,
                               std::shared_ptr<IClock> clock)
    : CBrindleWindow(std::move(backend), config), m_loop(std::move(clock)) {}

// The worker may still call the window's operations; stop it while they exist.
CConsoleWindow::~CConsoleWindow() { Shutdown(); }

std::string CConsoleWindow::GetControlText(int id) {
  const auto it = m_texts.find(id);
  return it == m_texts.end() ? std::string() : it->second;
}

void CConsoleWindow::SetControlText(int id, const std::string& text) {
  m_texts[id] = text;
  // What the bar would show; stdout stays for results.
  if (id == kIdProgress && !text.empty()) std::cerr << text << "\n";
}

void CConsoleWindow::SetProgressRange(uint32_t low, uint32_t high) {
  m_progressLow = low;
  m_progressHigh = high;
}

int CConsoleWindow::MessageBox(const std::string& text, const std::string&, uint32_t flags) {
  std::cout << text << "\n";
  // Nobody is there to answer: a question is taken as asked for.
  return (flags & 0x0F) == MB_YESNO ? IDYES : IDOK;
}

int CConsoleWindow::ShowFileOpenDialog(const std::string&, const std::string&, std::string& path) {
  if (!m_nextFile) return IDCANCEL;
  path = *m_nextFile;
  m_nextFile.reset();
  return IDOK;
}

// The console has no settings form of its own; it answers as a user who
// closes the dialog without confirming, so nothing is written.
int CConsoleWindow::RunSettingsDialog(const std::string&, int32_t, const IdentityBlock&,
                                      SettingsBlock&) {
  return 0;
}

void CConsoleWindow::PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  m_loop.Post(msg, wParam, lParam);
}

bool CConsoleWindow::RunUntil(const std::function<bool()>& done, std::optional<SteadyTime> limit) {
  return m_loop.RunUntil(
      done, [this](uint32_t msg, WPARAM w, LPARAM l) { HandleMessage(msg, w, l); }, limit);
}

bool CConsoleWindow::IsEnabled(int id) const {
  const auto it = m_enabled.find(id);
  return it != m_enabled.end() && it->second;
}

}  // namespace brindle::cli
