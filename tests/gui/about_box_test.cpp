// The About box names this program's own version, and the line fits.
#include <QLabel>
#include <QtTest>

#include "core/version.h"
#include "gui/about_dlg.h"

using namespace brindle;

class AboutBoxTest : public QObject {
  Q_OBJECT
 private slots:
  void ShowsTheProjectVersion() {
    CAboutDlg about;
    auto* line = about.findChild<QLabel*>(QStringLiteral("aboutPurpose"));
    QVERIFY(line);
    QVERIFY2(line->text().endsWith(QLatin1Char(' ') + QString::fromLatin1(kVersion)),
             qPrintable(line->text()));
    const int needed = line->fontMetrics().horizontalAdvance(line->text());
    QVERIFY2(needed <= line->contentsRect().width(), "the version line is cut off");
  }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
