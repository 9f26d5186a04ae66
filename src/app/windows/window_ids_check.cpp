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
static_assert(MB_OK == win::kMB_OK);
static_assert(MB_YESNO == win::kMB_YESNO);
static_assert(MB_ICONERROR == win::kMB_ICONERROR);
static_assert(MB_ICONQUESTION == win::kMB_ICONQUESTION);
static_assert(MB_ICONINFORMATION == win::kMB_ICONINFORMATION);
static_assert(IDOK == win::kIDOK);
static_assert(IDCANCEL == win::kIDCANCEL);
static_assert(IDYES == win::kIDYES);
static_assert(IDNO == win::kIDNO);
static_assert(DBT_DEVNODES_CHANGED == win::kDBT_DEVNODES_CHANGED);
static_assert(DBT_DEVICEARRIVAL == win::kDBT_DEVICEARRIVAL);
static_assert(DBT_DEVICEREMOVECOMPLETE == win::kDBT_DEVICEREMOVECOMPLETE);
static_assert(DBT_DEVTYP_DEVICEINTERFACE == win::kDBT_DEVTYP_DEVICEINTERFACE);
// Our system-menu commands stay below the system's own (SC_SIZE is the
// lowest of those), so neither is taken for the other.
static_assert(kSysCommandAboutLast < SC_SIZE && kVersionEntryCommand < SC_SIZE);

}  // namespace brindle
