#pragma once
// The one way Windows-only files include <windows.h>. Our own window layer
// names its messages, box flags and answers and its PostMessage/MessageBox
// operations as Windows does; <windows.h> makes all of those macros. Here the
// function macros are undefined, and the constants' values are kept under
// brindle::win (kWM_COMMAND for WM_COMMAND...) before their macros go, so
// Windows code uses our constants, checked against the system's values.
// Never include this from a header that other platforms share.
#ifndef _WIN32
#error "windows_api.h is for Windows builds only"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#include <windows.h>
// After <windows.h>: device-change events and broadcast headers.
#include <dbt.h>

// Function macros that would rename our own methods.
#undef PostMessage
#undef SendMessage
#undef MessageBox
#undef GetMessage
#undef DispatchMessage
#undef SetTimer
#undef KillTimer
#undef CreateWindow
#undef FindWindow
#undef LoadBitmap
#undef DrawText

namespace brindle::win {

constexpr unsigned kWM_USER = WM_USER;
constexpr unsigned kWM_APP = WM_APP;
constexpr unsigned kWM_COMMAND = WM_COMMAND;
constexpr unsigned kWM_TIMER = WM_TIMER;
constexpr unsigned kWM_DEVICECHANGE = WM_DEVICECHANGE;
constexpr unsigned kDBT_DEVNODES_CHANGED = DBT_DEVNODES_CHANGED;
constexpr unsigned kDBT_DEVICEARRIVAL = DBT_DEVICEARRIVAL;
constexpr unsigned kDBT_DEVICEREMOVECOMPLETE = DBT_DEVICEREMOVECOMPLETE;
constexpr unsigned kDBT_DEVTYP_DEVICEINTERFACE = DBT_DEVTYP_DEVICEINTERFACE;
constexpr unsigned kMB_OK = MB_OK;
constexpr unsigned kMB_OKCANCEL = MB_OKCANCEL;
constexpr unsigned kMB_ABORTRETRYIGNORE = MB_ABORTRETRYIGNORE;
constexpr unsigned kMB_YESNOCANCEL = MB_YESNOCANCEL;
constexpr unsigned kMB_YESNO = MB_YESNO;
constexpr unsigned kMB_RETRYCANCEL = MB_RETRYCANCEL;
constexpr unsigned kMB_ICONERROR = MB_ICONERROR;
constexpr unsigned kMB_ICONQUESTION = MB_ICONQUESTION;
constexpr unsigned kMB_ICONWARNING = MB_ICONWARNING;
constexpr unsigned kMB_ICONINFORMATION = MB_ICONINFORMATION;
constexpr unsigned kMB_DEFBUTTON1 = MB_DEFBUTTON1;
constexpr unsigned kMB_DEFBUTTON2 = MB_DEFBUTTON2;
constexpr unsigned kMB_DEFBUTTON3 = MB_DEFBUTTON3;
constexpr unsigned kMB_TYPEMASK = MB_TYPEMASK;
constexpr unsigned kMB_ICONMASK = MB_ICONMASK;
constexpr unsigned kMB_DEFMASK = MB_DEFMASK;
constexpr int kIDOK = IDOK;
constexpr int kIDCANCEL = IDCANCEL;
constexpr int kIDABORT = IDABORT;
constexpr int kIDRETRY = IDRETRY;
constexpr int kIDIGNORE = IDIGNORE;
constexpr int kIDYES = IDYES;
constexpr int kIDNO = IDNO;
constexpr unsigned kWM_SYSCOMMAND = WM_SYSCOMMAND;

}  // namespace brindle::win

// Our constants of the same names live in namespace brindle.
#undef WM_USER
#undef WM_APP
#undef WM_COMMAND
#undef WM_TIMER
#undef WM_DEVICECHANGE
#undef DBT_DEVNODES_CHANGED
#undef DBT_DEVICEARRIVAL
#undef DBT_DEVICEREMOVECOMPLETE
#undef DBT_DEVTYP_DEVICEINTERFACE
#undef MB_OK
#undef MB_OKCANCEL
#undef MB_ABORTRETRYIGNORE
#undef MB_YESNOCANCEL
#undef MB_YESNO
#undef MB_RETRYCANCEL
#undef MB_ICONERROR
#undef MB_ICONQUESTION
#undef MB_ICONWARNING
#undef MB_ICONINFORMATION
#undef MB_DEFBUTTON1
#undef MB_DEFBUTTON2
#undef MB_DEFBUTTON3
#undef MB_TYPEMASK
#undef MB_ICONMASK
#undef MB_DEFMASK
#undef IDOK
#undef IDCANCEL
#undef IDABORT
#undef IDRETRY
#undef IDIGNORE
#undef IDYES
#undef IDNO
