#pragma once
// Named ids of the main window shared by the desktop window, the console
// window and the tests: controls, window messages, device-change events,
// timers and message-box flags and answers. The values are the
// Windows ones, so the desktop and console windows agree with the tests.
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
};

// Window messages the message map handles (the HID and download ids live in
// core/messages.h).
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_DEVICECHANGE = 0x0219;
// Private: RefreshConnectionState called off the window thread hands its work
// over with this message.
constexpr uint32_t WM_REFRESH_CONNECTION = WM_USER + 120;
// Private: the update worker asks the window thread to run window
// operations for it; the calls wait in the window's own queue.
constexpr uint32_t WM_RUN_WINDOW_CALLS = WM_USER + 121;
// Private: the update worker has ended; the window collects its thread.
constexpr uint32_t WM_UPDATE_WORKER_ENDED = WM_USER + 122;

// WM_DEVICECHANGE events (wParam). For the two device-interface events lParam
// carries the device type of the event, not a pointer to a header.
constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;
constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr LPARAM DBT_DEVTYP_DEVICEINTERFACE = 5;

// Timers.
constexpr uint32_t kTimerProgress = 1;  // transfer progress display, whole run
constexpr uint32_t kTimerIdentify = 2;  // one-shot identification after a connection
constexpr uint32_t kProgressTickMs = 166;
constexpr uint32_t kProgressTicksPerSecond = 6;
// The device needs this long after it was opened before it answers reliably.
constexpr uint32_t kIdentifyDelayMs = 2000;

// Message-box flags and answers.
constexpr uint32_t MB_OK = 0x00;
constexpr uint32_t MB_YESNO = 0x04;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// m_transferStage: the transfer steps whose acknowledged bytes count as
// progress, and the value for "no transfer running".
constexpr uint8_t kStageFinished = 255;

}  // namespace brindle
