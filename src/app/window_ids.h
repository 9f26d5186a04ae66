#pragma once
// Named ids of the main window shared by the desktop window, the console
// window and the tests: controls, private window messages and timers. The
// names it shares with the Windows API (system messages, device-change
// events, message-box flags and answers) come from core/windows_names.h.
#include <cstdint>

#include "core/messages.h"

namespace brindle {

// Controls of the main window.
enum ControlId : int {
  kIdSettingButton = 1000,
  kIdUpdateButton = 1002,
  kIdOpenButton = 1006,
  kIdProgress = 1007,  // the text progress bar; its text is drawn over the bar
  kIdCloseButton = 1008,
  kIdProgressGroup = 1011,
  kIdFileGroup = 1012,
  kIdBanner = 1031,
  kIdStatusText = 1032,  // status messages, and the path of the chosen update file
  // Controls of the window's layout that it keeps hidden and never uses.
  kIdUnusedGroup = 1013,
  kIdUnusedStatic = 1034,
};

// Private window messages (the HID and download ids live in core/messages.h).
// Private: RefreshConnectionState called off the window thread hands its work
// over with this message.
constexpr uint32_t WM_REFRESH_CONNECTION = WM_USER + 120;
// Private: the update worker asks the window thread to run window
// operations for it; the calls wait in the window's own queue.
constexpr uint32_t WM_RUN_WINDOW_CALLS = WM_USER + 121;
// Private: the update worker has ended; the window collects its thread.
constexpr uint32_t WM_UPDATE_WORKER_ENDED = WM_USER + 122;

// Timers.
constexpr uint32_t kTimerProgress = 1;  // transfer progress display, whole run
constexpr uint32_t kTimerIdentify = 2;  // one-shot identification after a connection
constexpr uint32_t kProgressTickMs = 166;
constexpr uint32_t kProgressTicksPerSecond = 6;
// The device needs this long after it was opened before it answers reliably.
constexpr uint32_t kIdentifyDelayMs = 2000;

}  // namespace brindle
