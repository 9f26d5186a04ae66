#include "core/windows/windows_api.h"

#include "gui/windows/window_activation.h"

#include "core/windows/unicode.h"
#include "gui/window_classes.h"

namespace brindle {

bool ActivateWindowByClass() {
  HWND found = nullptr;
  for (const char* className : kWindowClassNames) {
    found = FindWindowW(Widen(className).c_str(), nullptr);
    if (found) break;
  }
  if (!found) return false;
  // Windows lets the thread of the foreground window hand the foreground on;
  // sharing its input state makes this process that thread for the moment.
  const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  const DWORD thisThread = GetCurrentThreadId();
  const bool attached = foregroundThread != 0 && foregroundThread != thisThread &&
                        AttachThreadInput(thisThread, foregroundThread, TRUE);
  // Restored, raised above every window, then back into the normal band.
  // Asked of the window's own thread without waiting for it: a running copy
  // that hangs must not hang the new start too.
  ShowWindowAsync(found, SW_SHOWNORMAL);
  SetWindowPos(found, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
  SetWindowPos(found, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
  SetForegroundWindow(found);
  if (attached) AttachThreadInput(thisThread, foregroundThread, FALSE);
  return true;
}

}  // namespace brindle
