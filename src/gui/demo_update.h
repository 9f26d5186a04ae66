#pragma once
// `brindle --simulate --demo-update=FILE`, for scripts/screenshot.sh only:
// once the window has identified the simulated device, FILE is chosen as
// Open would choose it and the Update button is pressed, so a picture of an
// update in progress can be taken without a person at the window.
#include <QString>

namespace brindle {

class CBrindleDlg;

// Arms a timer, owned by dialog, that waits for the identification and then
// starts the update of file once.
void ScheduleDemoUpdate(CBrindleDlg& dialog, const QString& file);

}  // namespace brindle
