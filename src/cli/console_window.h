#pragma once
// The main window as a console: the window's handlers run unchanged, titles
// and control texts are kept, message boxes print their text on stdout,
// progress text goes to stderr, and a message loop on the calling thread
// dispatches posted messages and fires timers when they are due.
#include <functional>
#include <map>
#include <optional>

#include "app/brindle_window.h"
#include "app/message_loop.h"

namespace brindle::cli {

class CConsoleWindow final : public CBrindleWindow {
 public:
  CConsoleWindow(std::shared_ptr<IHidBackend> backend, const CBuildConfig& config = CBuildConfig::Default(),
                 std::shared_ptr<IClock> clock = std::make_shared<CSteadyClock>());
  ~CConsoleWindow() override;

  void SetTitle(const std::string& title) override { m_title = title; }
  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  void EnableControl(int id, bool enable) override { m_enabled[id] = enable; }
  void SetProgressRange(uint32_t low, uint32_t high) override;
  void SetProgressPos(uint32_t pos) override { m_progressPos = pos; }
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  int ShowFileOpenDialog(const std::string& defaultExtension, const std::string& filter,
                         std::string& path) override;
  int RunSettingsDialog(const std::string& captionPrefix, int32_t layout, const IdentityBlock& identity,
                        SettingsBlock& block) override;
  void SetTimer(uint32_t id, uint32_t periodMs) override { m_loop.SetTimer(id, periodMs); }
  void KillTimer(uint32_t id) override { m_loop.KillTimer(id); }
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override;

  // Runs the window's messages until done() holds (or limit passes).
  bool RunUntil(const std::function<bool()>& done, std::optional<SteadyTime> limit = std::nullopt);
  bool IsTimerArmed(uint32_t id) const { return m_loop.IsTimerArmed(id); }
  const std::string& Title() const { return m_title; }
  bool IsEnabled(int id) const;
  // Ends a progress line that was redrawn in place on the terminal.
  void EndProgressLine();
  // The answer of the next file-open dialog; without one the dialog is cancelled.
  void SetNextFile(std::string path) { m_nextFile = std::move(path); }
  // Runs in place of the settings dialog, with its arguments and result;
  // without one the dialog is cancelled.
  using SettingsDialog =
      std::function<int(const std::string&, int32_t, const IdentityBlock&, SettingsBlock&)>;
  void SetSettingsDialog(SettingsDialog dialog) { m_settingsDialog = std::move(dialog); }
  // The last message box that was not a question; empty text before the first.
  const std::string& LastMessage() const { return m_lastMessage; }
  uint32_t LastMessageFlags() const { return m_lastMessageFlags; }

 private:
  CMessageLoop m_loop;
  std::string m_title;
  std::map<int, std::string> m_texts;
  std::map<int, bool> m_enabled;
  uint32_t m_progressLow = 0;
  uint32_t m_progressHigh = 0;
  uint32_t m_progressPos = 0;
  std::optional<std::string> m_nextFile;
  bool m_progressInPlace = false;   // stderr is a terminal
  bool m_progressLineOpen = false;  // a progress text waits for its line end
  SettingsDialog m_settingsDialog;
  std::string m_lastMessage;
  uint32_t m_lastMessageFlags = 0;
};

}  // namespace brindle::cli
