#pragma once
// What the desktop program does differently on each platform at start-up:
// how a second start brings the running window forward, what lets it find
// that window, and where the changes of connected devices come from.
#include <QObject>
#include <memory>

namespace brindle {

class CBrindleDlg;
class CDeviceChangeSource;

// A second start: brings the running window of this tool or of a sibling
// forward (saying on stderr what came of it where that is not certain).
void ActivateRunningInstance();

// Makes dialog findable by a second start and gives it its window menu
// entries; holds what that needs for as long as the returned object lives.
// Call it before the dialog is shown.
std::unique_ptr<QObject> PrepareMainWindow(CBrindleDlg& dialog);

// Arrival and removal of connected devices, as this platform reports them.
std::unique_ptr<CDeviceChangeSource> MakeDeviceChangeSource(CBrindleDlg& dialog);

}  // namespace brindle
