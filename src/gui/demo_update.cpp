#include "gui/demo_update.h"

#include <QAbstractButton>
#include <QTimer>

#include "gui/brindle_dlg.h"

namespace brindle {

namespace {
constexpr int kPollMs = 100;
}

void ScheduleDemoUpdate(CBrindleDlg& dialog, const QString& file) {
  auto* timer = new QTimer(&dialog);  // owned by the dialog
  timer->setInterval(kPollMs);
  QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, timer, file] {
    if (!dialog.DeviceReady()) return;
    timer->stop();
    // What Open leaves behind, then a click on the real button.
    dialog.SetControlText(kIdStatusText, file.toStdString());
    dialog.EnableControl(kIdUpdateButton, true);
    if (auto* update = qobject_cast<QAbstractButton*>(dialog.Control(kIdUpdateButton))) update->click();
  });
  timer->start();
}

}  // namespace brindle
