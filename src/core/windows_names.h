#pragma once
// Every name this code shares with the Windows API, in one place: the
// message parameter types, the system message ids, the device-change
// events and the message-box flags, masks and answers. The values are the
// Windows ones, so the desktop window, the console window and the tests
// agree. A build against <windows.h> replaces this header with that one;
// nothing else defines these names.
#include <cstdint>

namespace brindle {

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// Bases of the private message ids.
constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t WM_APP = 0x8000;

// System messages the message map handles.
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_DEVICECHANGE = 0x0219;

// WM_DEVICECHANGE events (wParam). For the two device-interface events lParam
// carries the device type of the event, not a pointer to a header.
constexpr WPARAM DBT_DEVNODES_CHANGED = 0x0007;
constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
constexpr LPARAM DBT_DEVTYP_DEVICEINTERFACE = 5;

// Message-box flags: the buttons, the icon and the default button, each a
// field of its own under its mask.
constexpr uint32_t MB_OK = 0x00;
constexpr uint32_t MB_OKCANCEL = 0x01;
constexpr uint32_t MB_ABORTRETRYIGNORE = 0x02;
constexpr uint32_t MB_YESNOCANCEL = 0x03;
constexpr uint32_t MB_YESNO = 0x04;
constexpr uint32_t MB_RETRYCANCEL = 0x05;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr uint32_t MB_ICONQUESTION = 0x20;
constexpr uint32_t MB_ICONWARNING = 0x30;
constexpr uint32_t MB_ICONINFORMATION = 0x40;
constexpr uint32_t MB_DEFBUTTON1 = 0x000;
constexpr uint32_t MB_DEFBUTTON2 = 0x100;
constexpr uint32_t MB_DEFBUTTON3 = 0x200;
constexpr uint32_t MB_TYPEMASK = 0x0F;
constexpr uint32_t MB_ICONMASK = 0xF0;
constexpr uint32_t MB_DEFMASK = 0xF00;

// Message-box answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

}  // namespace brindle
