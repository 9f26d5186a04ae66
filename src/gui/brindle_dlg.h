#pragma once
// CBrindleDlg: the main window as a Qt dialog. It lays out the controls of
// the window's template, paints them through the skinned controls, and turns
// the window operations of CBrindleWindow into widget calls. Every decision
// is CBrindleWindow's; this class only shows and forwards.
#include <QDialog>
#include <QList>
#include <map>
#include <memory>

#include "app/brindle_window.h"

class QAction;
class QLabel;
class QGroupBox;
class QTimer;

namespace brindle {

class CShadeButtonST;
class CTextProgressCtrl;

class CBrindleDlg : public QDialog, public CBrindleWindow {
  Q_OBJECT
 public:
  explicit CBrindleDlg(std::shared_ptr<IHidBackend> backend,
                       const CBuildConfig& config = CBuildConfig::Default(), QWidget* parent = nullptr);
  ~CBrindleDlg() override;

  // The dialog's start-up: faces and icons of the buttons, then the
  // window's own start-up (texts, timer 1, the device). Runs once.
  void InitDialog();
  // InitDialog, then the dialog modally; QDialog::Accepted for Close.
  int DoModal();

  // Window operations. Called off the window's thread they are carried to
  // it and wait there.
  void SetTitle(const std::string& title) override;
  std::string GetControlText(int id) override;
  void SetControlText(int id, const std::string& text) override;
  void EnableControl(int id, bool enable) override;
  void SetProgressRange(uint32_t low, uint32_t high) override;
  void SetProgressPos(uint32_t pos) override;
  int MessageBox(const std::string& text, const std::string& caption, uint32_t flags) override;
  int ShowFileOpenDialog(const std::string& defaultExtension, const std::string& filter,
                         std::string& path) override;
  int RunSettingsDialog(const std::string& captionPrefix, int32_t layout, const IdentityBlock& identity,
                        SettingsBlock& block) override;
  void SetTimer(uint32_t id, uint32_t periodMs) override;
  void KillTimer(uint32_t id) override;
  // Any thread: a posted event, handled on the window's thread.
  void PostMessage(uint32_t msg, WPARAM wParam, LPARAM lParam) override;

  // The widget of a control id of the template; null for unknown ids.
  QWidget* Control(int id) const;
  bool IsTimerArmed(uint32_t id) const;

  // System commands 0x0010..0x001F open the About box; others do nothing.
  void OnSysCommand(uint32_t command);
  // Extra entries for the window menu (the simulated device's plug and unplug).
  void AddWindowMenuActions(const QList<QAction*>& actions);
  // A second start asks the window to come forward (restored if minimised);
  // under Wayland with the activation token it passed on, if any.
  void BringToFront(const QString& activationToken = QString());
  // The entries of the window menu, as the right mouse button shows them.
  QList<QAction*> WindowMenuActions();
  // The version entry's text ("" for none), decoded from the company's code page.
  QString VersionEntryText() const;
  // Where the window system's own window menu carries the version entry,
  // the right-button menu leaves it out. Before the menu is first shown.
  void SetVersionInSystemMenu(bool inSystemMenu) { m_versionInSystemMenu = inSystemMenu; }

 public slots:
  // One device added or removed anywhere: DBT_DEVNODES_CHANGED.
  void OnDevicesChanged();

 protected:
  bool event(QEvent* event) override;
  // Tab and Shift+Tab as usual; a focused button that is being disabled
  // hands the focus on as MoveFocusOffDisabled says.
  bool focusNextPrevChild(bool next) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void CreateControls();
  // Banner and button icons for the window's current device pixel ratio;
  // nothing when they were drawn for it already.
  void RenderArt();
  // The focus leaves a disabled button for the next enabled button in tab
  // order that is not Close, so Enter or Space never ends the program
  // unasked; false when there is none (Qt then clears the focus).
  bool MoveFocusOffDisabled(QWidget* disabled);
  template <typename Fn>
  bool CarriedToWindowThread(Fn&& call);

  std::map<int, QWidget*> m_controls;  // owned by the dialog as children
  CShadeButtonST* m_openButton = nullptr;
  CShadeButtonST* m_updateButton = nullptr;
  CShadeButtonST* m_closeButton = nullptr;
  CShadeButtonST* m_settingButton = nullptr;
  CTextProgressCtrl* m_progress = nullptr;
  QLabel* m_banner = nullptr;
  QLabel* m_statusText = nullptr;
  std::map<uint32_t, std::unique_ptr<QTimer>> m_timers;
  QList<QAction*> m_extraMenuActions;
  bool m_versionInSystemMenu = false;
  bool m_initialised = false;
  qreal m_artRatio = 0;  // the ratio the art was drawn for
};

}  // namespace brindle
