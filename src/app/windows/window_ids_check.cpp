// The window layer's ids carry the Windows values: a message, flag or answer
// that went through a real Windows call must mean the same on both sides.
#include "core/windows/windows_api.h"

#include "app/system_menu_entry.h"
#include "app/window_ids.h"
#include "core/messages.h"

namespace brindle {

static_assert(WM_USER == win::kWM_USER);
static_assert(WM_APP == win::kWM_APP);
static_assert(WM_COMMAND == win::kWM_COMMAND);
static_assert(WM_TIMER == win::kWM_TIMER);
static_assert(WM_DEVICECHANGE == win::kWM_DEVICECHANGE);
static_assert(DBT_DEVNODES_CHANGED == win::kDBT_DEVNODES_CHANGED);
static_assert(DBT_DEVICEARRIVAL == win::kDBT_DEVICEARRIVAL);
static_assert(DBT_DEVICEREMOVECOMPLETE == win::kDBT_DEVICEREMOVECOMPLETE);
static_assert(DBT_DEVTYP_DEVICEINTERFACE == win::kDBT_DEVTYP_DEVICEINTERFACE);
static_assert(MB_OK == win::kMB_OK);
static_assert(MB_OKCANCEL == win::kMB_OKCANCEL);
static_assert(MB_ABORTRETRYIGNORE == win::kMB_ABORTRETRYIGNORE);
static_assert(MB_YESNOCANCEL == win::kMB_YESNOCANCEL);
static_assert(MB_YESNO == win::kMB_YESNO);
static_assert(MB_RETRYCANCEL == win::kMB_RETRYCANCEL);
static_assert(MB_ICONERROR == win::kMB_ICONERROR);
static_assert(MB_ICONQUESTION == win::kMB_ICONQUESTION);
static_assert(MB_ICONWARNING == win::kMB_ICONWARNING);
static_assert(MB_ICONINFORMATION == win::kMB_ICONINFORMATION);
static_assert(MB_DEFBUTTON1 == win::kMB_DEFBUTTON1);
static_assert(MB_DEFBUTTON2 == win::kMB_DEFBUTTON2);
static_assert(MB_DEFBUTTON3 == win::kMB_DEFBUTTON3);
static_assert(MB_TYPEMASK == win::kMB_TYPEMASK);
static_assert(MB_ICONMASK == win::kMB_ICONMASK);
static_assert(MB_DEFMASK == win::kMB_DEFMASK);
static_assert(IDOK == win::kIDOK);
static_assert(IDCANCEL == win::kIDCANCEL);
static_assert(IDABORT == win::kIDABORT);
static_assert(IDRETRY == win::kIDRETRY);
static_assert(IDIGNORE == win::kIDIGNORE);
static_assert(IDYES == win::kIDYES);
static_assert(IDNO == win::kIDNO);
// Our system-menu commands stay below the system's own (SC_SIZE is the
// lowest of those), so neither is taken for the other.
static_assert(kSysCommandAboutLast < SC_SIZE && kVersionEntryCommand < SC_SIZE);

}  // namespace brindle
