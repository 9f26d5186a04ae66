// Desktop-integration pieces of the program: the access hint fits the
// status text, and the screenshot's self-driving update never runs on a
// real device.
#include <QFontMetrics>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "app/window_texts.h"
#include "gui/brindle_app.h"
#include "gui/brindle_dlg.h"
#include "sim/sim_backend.h"

using namespace brindle;

class DesktopIntegrationTest : public QObject {
  Q_OBJECT
 private slots:
  void AccessHintFitsTheStatusText() {
    QTemporaryDir locks;
    auto sim = std::make_shared<CSimDevice>(DefaultSimProfile());
    sim->Unplug();
    CBrindleDlg dlg(std::make_shared<CSimBackend>(sim));
    dlg.Hid().SetLockFolder(locks.path().toStdString());
    dlg.InitDialog();
    dlg.SetControlText(kIdStatusText, text::kAccessHint);
    auto* label = qobject_cast<QLabel*>(dlg.Control(kIdStatusText));
    QVERIFY(label);
    QCOMPARE(label->text(), QString::fromUtf8(text::kAccessHint));
    // The space the text needs, laid out as the label lays it out.
    const QRect room = label->contentsRect();
    const int flags = static_cast<int>(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, room.width(), 10 * room.height()),
                                                           flags, label->text());
    QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(), "the hint is cut off");
  }

  void DemoUpdateNeedsTheSimulatedDevice() {
    struct Case {
      QStringList args;
      int status;
      std::string demoFile;
    };
    const Case cases[] = {
        {{"--simulate", "--demo-update=/tmp/a.dwm"}, 0, "/tmp/a.dwm"},
        {{"--demo-update=/tmp/a.dwm", "--simulate"}, 0, "/tmp/a.dwm"},
        {{"--demo-update=/tmp/a.dwm"}, 2, "/tmp/a.dwm"},
        {{"--simulate"}, 0, ""},
        {{}, 0, ""},
    };
    for (const Case& c : cases) {
      std::vector<QByteArray> storage{"brindle"};
      for (const QString& a : c.args) storage.push_back(a.toUtf8());
      std::vector<char*> argv;
      for (QByteArray& s : storage) argv.push_back(s.data());
      GuiOptions options;
      bool showHelp = false;
      std::string text;
      const int status = ParseGuiOptions(static_cast<int>(argv.size()), argv.data(), options, showHelp, text);
      QCOMPARE(status, c.status);
      QCOMPARE(options.demoUpdateFile, c.demoFile);
      if (c.status != 0) QVERIFY(text.find("--demo-update needs --simulate") != std::string::npos);
    }
  }
};

QTEST_MAIN(DesktopIntegrationTest)
#include "desktop_integration_test.moc"
