#pragma once
// The main window's native side on Windows. Before the window exists it is
// given the window class "UPDATE_FLASH_CLASS", by which a second start and
// the sibling tools find it; once it exists its system menu gets the version
// entry, and the system commands 0x0010..0x001F open the About box.
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

namespace brindle {

class CBrindleDlg;

class CMainWindowNative : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  // Creates dialog's native window (it must not exist yet).
  explicit CMainWindowNative(CBrindleDlg& dialog);
  ~CMainWindowNative() override;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  QPointer<CBrindleDlg> m_dialog;
  void* m_window = nullptr;  // the dialog's HWND
};

}  // namespace brindle
