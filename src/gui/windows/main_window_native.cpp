#include "core/windows/windows_api.h"

#include "gui/windows/main_window_native.h"

#include <QCoreApplication>

#include "app/system_menu_entry.h"
#include "gui/brindle_dlg.h"
#include "gui/window_classes.h"

namespace brindle {

CMainWindowNative::CMainWindowNative(CBrindleDlg& dialog) : m_dialog(&dialog) {
  // Qt's window class names are its own; the platform plugin takes this
  // property of a widget as the class of the window it creates for it.
  dialog.setProperty("_q_platform_windowsClassName", QString::fromLatin1(kWindowClassName));
  m_window = reinterpret_cast<void*>(dialog.winId());
  dialog.SetVersionInSystemMenu(true);
  const QString entry = dialog.VersionEntryText();
  HMENU menu = GetSystemMenu(static_cast<HWND>(m_window), FALSE);
  if (menu && !entry.isEmpty())
    InsertMenuW(menu, 0, MF_BYCOMMAND | MF_STRING, kVersionEntryCommand, entry.toStdWString().c_str());
  QCoreApplication::instance()->installNativeEventFilter(this);
}

CMainWindowNative::~CMainWindowNative() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool CMainWindowNative::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) {
  if (eventType != "windows_generic_MSG" || !m_dialog) return false;
  const MSG* msg = static_cast<const MSG*>(message);
  if (msg->hwnd != static_cast<HWND>(m_window) || msg->message != win::kWM_SYSCOMMAND) return false;
  const uint32_t command = static_cast<uint32_t>(msg->wParam) & 0xFFFF;
  if (command < kSysCommandAboutFirst || command > kSysCommandAboutLast) return false;
  // The About box runs modally; not inside the window procedure that
  // delivered the command.
  QMetaObject::invokeMethod(
      m_dialog.data(),
      [dialog = m_dialog, command] {
        if (dialog) dialog->OnSysCommand(command);
      },
      Qt::QueuedConnection);
  if (result) *result = 0;
  return true;
}

}  // namespace brindle
