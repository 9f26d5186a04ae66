#include "cli/console_window.h"

#include <unistd.h>

#include <iostream>

namespace brindle::cli {

CConsoleWindow::CConsoleWindow(std::shared_ptr<IHidBackend> backend, const CBuildConfig& config,
                               std::shared_ptr<IClock> clock)
    : CBrindleWindow(std::move(backend), config),
      m_loop(std::move(clock)),
      m_progressInPlace(isatty(STDERR_FILENO) == 1) {}

// The worker may still call the window's operations; stop it while they exist.
CConsoleWindow::~CConsoleWindow() {
  Shutdown();
  EndProgressLine();
}

std::string CConsoleWindow::GetControlText(int id) {
  const auto it = m_texts.find(id);
  return it == m_texts.end() ? std::string() : it->second;
}

void CConsoleWindow::SetControlText(int id, const std::string& text) {
  m_texts[id] = text;
  // What the bar would show; stdout stays for results. A terminal gets the
  // bar redrawn in place, anything else one line per text.
  if (id != kIdProgress || text.empty()) return;
  if (m_progressInPlace) {
    std::cerr << "\r" << text << "\x1b[K" << std::flush;
    m_progressLineOpen = true;
  } else {
    std::cerr << text << "\n";
  }
}

void CConsoleWindow::EndProgressLine() {
  if (!m_progressLineOpen) return;
  std::cerr << "\n" << std::flush;
  m_progressLineOpen = false;
}

void CConsoleWindow::SetProgressRange(uint32_t low, uint32_t high) {
  m_progressLow = low;
  m_progressHigh = high;
}

int CConsoleWindow::MessageBox(const std::string& text, const std::string&, uint32_t flags) {
  EndProgressLine();
  // Nobody is there to answer: a question is taken as asked for. It goes to
  // stderr, as stdout carries only the command's result.
  if ((flags & MB_TYPEMASK) == MB_YESNO) {
    std::cerr << text << " Yes\n";
    return IDYES;
  }
  std::cout << text << "\n";
  m_lastMessage = text;
  m_lastMessageFlags = flags;
  return IDOK;
}

int CConsoleWindow::ShowFileOpenDialog(const std::string&, const std::string&, std::string& path) {
  if (!m_nextFile) return IDCANCEL;
  path = *m_nextFile;
  m_nextFile.reset();
  return IDOK;
}

// Without a form given by the command the console answers as a user who
// closes the dialog without confirming, so nothing is written.
int CConsoleWindow::RunSettingsDialog(const std::string& captionPrefix, int32_t layout,
                                      const IdentityBlock& identity, SettingsBlock& block) {
  return m_settingsDialog ? m_settingsDialog(captionPrefix, layout, identity, block) : IDCANCEL;
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
