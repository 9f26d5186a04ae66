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
  ShowWindow(found, SW_SHOWNORMAL);
  // Raised above every window, then back into the normal band.
  SetWindowPos(found, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetWindowPos(found, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(found);
  if (attached) AttachThreadInput(thisThread, foregroundThread, FALSE);
  return true;
}

}  // namespace brindle
