// What the Qt window turns the window seam's arguments into: dialog units
// into pixels, the Windows file filter into Qt's, message-box flags into a
// QMessageBox's icon, buttons and caption.
#include <QAbstractButton>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QtTest>

#include "app/window_ids.h"
#include "gui/seams/dialog_units.h"
#include "gui/seams/file_open_dialog.h"
#include "gui/seams/message_box.h"

using namespace brindle;

class WindowSeamsTest : public QObject {
  Q_OBJECT
 private slots:
  void MulDivRoundsHalvesAwayFromZero_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("result");
    QTest::newRow("exact") << 8 << 6 << 4 << 12;
    QTest::newRow("half up") << 283 << 6 << 4 << 425;  // 424.5
    QTest::newRow("below half") << 1 << 5 << 4 << 1;   // 1.25
    QTest::newRow("above half") << 3 << 13 << 8 << 5;  // 4.875
    QTest::newRow("negative half") << -3 << 1 << 2 << -2;
    QTest::newRow("no divisor") << 5 << 5 << 0 << -1;
  }
  void MulDivRoundsHalvesAwayFromZero() {
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QFETCH(int, result);
    QCOMPARE(MulDiv(a, b, c), result);
  }

  void DialogUnitsConvertPositionAndSizeApart() {
    const DialogBaseUnits base{7, 15};
    // x 99 -> 173.25, width 84 -> 147, y 222 -> 416.25, height 28 -> 52.5.
    QCOMPARE(DialogUnitsToPixels(QRect(99, 222, 84, 28), base), QRect(173, 416, 147, 53));
    QCOMPARE(DialogUnitsToPixels(QSize(283, 255), base), QSize(495, 478));
  }

  void BaseUnitsFollowTheFont() {
    QFont font = DialogFont(9);
    const DialogBaseUnits nine = BaseUnitsOf(font);
    font.setPointSize(18);
    const DialogBaseUnits eighteen = BaseUnitsOf(font);
    QVERIFY(nine.x > 0 && nine.y > 0);
    QVERIFY(eighteen.x > nine.x);
    QVERIFY(eighteen.y > nine.y);
    QCOMPARE(nine.y, QFontMetrics(DialogFont(9)).height());
  }

  void FileFilterInQtForm_data() {
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("qt");
    QTest::newRow("update files") << "Update File(*.dwm)|*.dwm|All File(*.*)|*.*||"
                                  << "Update File (*.dwm);;All File (*)";
    QTest::newRow("several patterns") << "Pictures|*.png;*.bmp||"
                                      << "Pictures (*.png *.bmp)";
    QTest::newRow("no closing bars") << "Text|*.txt"
                                     << "Text (*.txt)";
    QTest::newRow("empty") << ""
                           << "";
  }
  void FileFilterInQtForm() {
    QFETCH(QString, windows);
    QFETCH(QString, qt);
    QCOMPARE(QtFileFilter(windows.toStdString()), qt);
  }

  void MessageBoxFlags_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<uint>("flags");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<QString>("title");
    using B = QMessageBox;
    // Refusals: error icon, no caption, so the system's default shows.
    QTest::newRow("error") << "" << uint(MB_ICONERROR) << int(B::Critical) << int(B::Ok) << int(B::Ok)
                           << kDefaultMessageBoxCaption;
    // Questions carry the program's caption.
    QTest::newRow("question") << "Update Program" << uint(MB_YESNO) << int(B::NoIcon) << int(B::Yes | B::No)
                              << int(B::Yes) << "Update Program";
    QTest::newRow("question icon") << "Update Program" << uint(MB_YESNO | MB_ICONQUESTION) << int(B::Question)
                                   << int(B::Yes | B::No) << int(B::Yes) << "Update Program";
    QTest::newRow("notice") << "Update Program" << uint(MB_OK | MB_ICONINFORMATION) << int(B::Information)
                            << int(B::Ok) << int(B::Ok) << "Update Program";
    QTest::newRow("second default") << "x" << uint(MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONWARNING)
                                    << int(B::Warning) << int(B::Ok | B::Cancel) << int(B::Cancel) << "x";
    QTest::newRow("default beyond the buttons") << "x" << uint(MB_YESNO | MB_DEFBUTTON3) << int(B::NoIcon)
                                                << int(B::Yes | B::No) << int(B::Yes) << "x";
  }
  void MessageBoxFlags() {
    QFETCH(QString, caption);
    QFETCH(uint, flags);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(QString, title);
    const MessageBoxLook look = MessageBoxLookFor(caption.toStdString(), flags);
    QCOMPARE(int(look.icon), icon);
    QCOMPARE(int(look.buttons), buttons);
    QCOMPARE(int(look.defaultButton), defaultButton);
    QCOMPARE(look.title, title);
  }

  void AnswersAreTheWindowsIds() {
    QCOMPARE(AnswerOf(QMessageBox::Ok), IDOK);
    QCOMPARE(AnswerOf(QMessageBox::Cancel), IDCANCEL);
    QCOMPARE(AnswerOf(QMessageBox::Yes), IDYES);
    QCOMPARE(AnswerOf(QMessageBox::No), IDNO);
  }

  void BoxIsWideEnoughForItsCaption_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<uint>("flags");
    QTest::newRow("success") << "Update Successfully!"
                             << "Update Program" << uint(MB_ICONINFORMATION);
    QTest::newRow("short error") << "Time Zone error!"
                                 << "" << uint(MB_OK | MB_ICONERROR);
    QTest::newRow("question") << "Already the newest version,Updated or Not?"
                              << "Update Program" << uint(MB_YESNO);
    QTest::newRow("long caption") << "OK?"
                                  << "Update Program for the navigation device" << uint(MB_OK);
    QTest::newRow("configured") << "Configuration success!"
                                << "Update Program" << uint(MB_ICONINFORMATION);
  }
  void BoxIsWideEnoughForItsCaption() {
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(uint, flags);
    const std::unique_ptr<QMessageBox> box =
        CMessageBoxes::Make(nullptr, text.toStdString(), caption.toStdString(), flags);
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    // The caption in a bold title font, with a window icon, a minimise and a
    // close button (a square of about the text's height each) on one side,
    // and as much on the other for a centred caption.
    QFont bold = box->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const int needed = metrics.horizontalAdvance(box->windowTitle()) + 6 * metrics.height();
    QVERIFY2(box->width() >= needed, qPrintable(QStringLiteral("%1 < %2").arg(box->width()).arg(needed)));
    // The text is not squeezed by the extra width.
    QCOMPARE(box->text(), text);
  }

  void OpenDialogStartsInTheFolderLastUsed() {
    QTemporaryDir first, second;
    const std::string ext = "file", filter = "Update File(*.dwm)|*.dwm|All File(*.*)|*.*||";
    std::string path;
    CFileOpenDialog::SetNextFileName(first.filePath("a.dwm").toStdString());
    QCOMPARE(CFileOpenDialog::Show(nullptr, ext, filter, path), IDOK);
    QCOMPARE(CFileOpenDialog::Make(nullptr, ext, filter)->directory().absolutePath(),
             QDir(first.path()).absolutePath());
    CFileOpenDialog::SetNextFileName(second.filePath("b.dwm").toStdString());
    QCOMPARE(CFileOpenDialog::Show(nullptr, ext, filter, path), IDOK);
    QCOMPARE(CFileOpenDialog::Make(nullptr, ext, filter)->directory().absolutePath(),
             QDir(second.path()).absolutePath());
    // Cancelling keeps the folder; a folder that has gone is not offered.
    CFileOpenDialog::SetNextFileName(std::nullopt);
    QCOMPARE(CFileOpenDialog::Show(nullptr, ext, filter, path), IDCANCEL);
    QCOMPARE(CFileOpenDialog::StartFolder(), QDir(second.path()).absolutePath());
    second.remove();
    QVERIFY(CFileOpenDialog::StartFolder().isEmpty());
  }

  void RealBoxIsAnsweredThroughItsButtons() {
    // The shown box, answered by pressing No.
    QTimer::singleShot(0, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      QCOMPARE(box->windowTitle(), QStringLiteral("Update Program"));
      QCOMPARE(box->text(), QStringLiteral("Already the newest version,Updated or Not?"));
      box->button(QMessageBox::No)->click();
    });
    QCOMPARE(CMessageBoxes::Show(nullptr, "Already the newest version,Updated or Not?", "Update Program",
                                 MB_YESNO),
             IDNO);
  }
};

QTEST_MAIN(WindowSeamsTest)
#include "window_seams_test.moc"
