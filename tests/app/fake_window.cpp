#include "fake_window.h"

namespace brindle::test {

// The state record belongs to the window: from outside it is read through
// the accessors, and tests arrange it only through the Arrange methods of
// the recording window. Each field is checked on its own, so that no single
// one slips back into the open.
#define BRINDLE_EXPECT_HIDDEN(field)                                           \
  template <typename W>                                                        \
  constexpr bool kOpen_##field = requires {                                    \
    &W::field;                                                                 \
  };                                                                           \
  static_assert(!kOpen_##field<CBrindleWindow> && !kOpen_##field<CFakeWindow>, \
                #field " can be reached from outside the window");
BRINDLE_EXPECT_HIDDEN(m_hid)
BRINDLE_EXPECT_HIDDEN(m_deviceVersion)
BRINDLE_EXPECT_HIDDEN(m_worker)
BRINDLE_EXPECT_HIDDEN(m_download)
BRINDLE_EXPECT_HIDDEN(m_archiveUrl)
BRINDLE_EXPECT_HIDDEN(m_versionFileUrl)
BRINDLE_EXPECT_HIDDEN(m_internetVersion)
BRINDLE_EXPECT_HIDDEN(m_deviceDataVersion)
BRINDLE_EXPECT_HIDDEN(m_downloadTotal)
BRINDLE_EXPECT_HIDDEN(m_checkingVersion)
BRINDLE_EXPECT_HIDDEN(m_downloadError)
BRINDLE_EXPECT_HIDDEN(m_identityBlock)
BRINDLE_EXPECT_HIDDEN(m_settingsBlock)
BRINDLE_EXPECT_HIDDEN(m_settingsLayout)
BRINDLE_EXPECT_HIDDEN(m_settingsRevision)
BRINDLE_EXPECT_HIDDEN(m_deviceReady)
BRINDLE_EXPECT_HIDDEN(m_onlineSourceSet)
BRINDLE_EXPECT_HIDDEN(m_fileChosen)
BRINDLE_EXPECT_HIDDEN(m_verifyAfterUpdate)
BRINDLE_EXPECT_HIDDEN(m_brandRule)
BRINDLE_EXPECT_HIDDEN(m_dataDateText)
#undef BRINDLE_EXPECT_HIDDEN

void CFakeWindow::SetTitle(const std::string& title) {
  NoteThread();
  titles.push_back(title);
}

std::string CFakeWindow::GetControlText(int id) {
  const auto it = texts.find(id);
  return it == texts.end() ? std::string() : it->second;
}

void CFakeWindow::SetControlText(int id, const std::string& text) {
  NoteThread();
  texts[id] = text;
}

void CFakeWindow::EnableControl(int id, bool enable) {
  NoteThread();
  enabled[id] = enable;
}

void CFakeWindow::SetProgressRange(uint32_t low, uint32_t high) {
  NoteThread();
  progressLow = low;
  progressHigh = high;
}

void CFakeWindow::SetProgressPos(uint32_t pos) {
  NoteThread();
  progressPos = pos;
}

int CFakeWindow::MessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  NoteThread();
  boxes.push_back({text, caption, flags});
  if (boxAnswers.empty()) return IDOK;
  const int answer = boxAnswers.front();
  boxAnswers.pop_front();
  return answer;
}

int CFakeWindow::ShowFileOpenDialog(const std::string&, const std::string&, std::string& path) {
  NoteThread();
  ++fileDialogs;
  if (!fileToChoose) return IDCANCEL;
  path = *fileToChoose;
  return IDOK;
}

int CFakeWindow::RunSettingsDialog(const std::string& captionPrefix, int32_t layout,
                                   const IdentityBlock& identity, SettingsBlock& block) {
  NoteThread();
  ++settingsDialogs;
  return settingsDialog ? settingsDialog(captionPrefix, layout, identity, block) : IDCANCEL;
}

void CFakeWindow::SetTimer(uint32_t id, uint32_t periodMs) {
  NoteThread();
  timers[id] = periodMs;
  timerCalls.push_back({true, id, periodMs});
}

void CFakeWindow::KillTimer(uint32_t id) {
  NoteThread();
  timers.erase(id);
  timerCalls.push_back({false, id, 0});
}

void CFakeWindow::PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard lock(m_mutex);
    m_posted.push_back({msg, wParam, lParam});
  }
  m_queue.PostMessage(msg, wParam, lParam);
}

size_t CFakeWindow::Pump() {
  size_t count = 0;
  while (const auto p = m_queue.TryTake()) {
    HandleMessage(p->msg, p->wParam, p->lParam);
    ++count;
  }
  return count;
}

bool CFakeWindow::FireTimer(uint32_t id) {
  if (!IsArmed(id)) return false;
  HandleMessage(WM_TIMER, id, 0);
  return true;
}

bool CFakeWindow::IsEnabled(int id) const {
  const auto it = enabled.find(id);
  return it != enabled.end() && it->second;
}

size_t CFakeWindow::PendingCount() const { return m_queue.Size(); }

std::vector<CFakeWindow::Posted> CFakeWindow::PostedCopy() const {
  std::lock_guard lock(m_mutex);
  return m_posted;
}

}  // namespace brindle::test
