// One running copy among this tool and its siblings: a second start of the
// real program brings the running window forward and exits without a window;
// with the lock held and nobody answering it exits silently.
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/brindle_dlg.h"
#include "gui/instance_lock.h"
#include "gui/linux/single_instance.h"
#include "sim/sim_backend.h"

using namespace brindle;

class SingleInstanceTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir m_runtime;  // the user's runtime and lock folder for this test

  QProcess* StartBrindle(const QStringList& args) {
    auto* process = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("BRINDLE_LOCK_DIR"), m_runtime.path());  // the machine's lock folder
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process->setProcessEnvironment(env);
    process->start(qEnvironmentVariable("BRINDLE_GUI"), args);
    return process;
  }

  // Runs a second start to its end while this process keeps serving its
  // own window; its exit code, or -1 when it did not end within 10 s.
  int SecondStart() {
    QProcess* second = StartBrindle({});
    if (!second->waitForStarted(5000)) return -1;
    QElapsedTimer clock;
    clock.start();
    while (second->state() != QProcess::NotRunning && clock.elapsed() < 10000) QTest::qWait(20);
    if (second->state() != QProcess::NotRunning) {
      second->kill();
      second->waitForFinished();
      return -1;
    }
    return second->exitStatus() == QProcess::NormalExit ? second->exitCode() : -1;
  }

 private slots:
  void initTestCase() {
    QVERIFY(m_runtime.isValid());
    QVERIFY(!qEnvironmentVariable("BRINDLE_GUI").isEmpty());
  }

  void SecondStartBringsTheWindowForward_data() {
    QTest::addColumn<QString>("className");
    QTest::newRow("this tool") << "UPDATE_FLASH_CLASS";
    QTest::newRow("a sibling") << "UPDATE_PROGRAM_CLASS";
    QTest::newRow("the other sibling") << "UPDATE_DATA_CLASS";
  }
  void SecondStartBringsTheWindowForward() {
    QFETCH(QString, className);
    // The first instance, wired as the program wires it.
    CInstanceLock lock;
    QCOMPARE(lock.Acquire(m_runtime.path()), CInstanceLock::Result::kAcquired);
    auto sim = std::make_shared<CSimDevice>();
    sim->Unplug();
    CBrindleDlg dialog(std::make_shared<CSimBackend>(sim));
    CWindowClassServer server;
    int requests = 0;
    connect(&server, &CWindowClassServer::ActivationRequested, [&] { ++requests; });
    connect(&server, &CWindowClassServer::ActivationRequested, &dialog, &CBrindleDlg::BringToFront);
    QVERIFY(server.Listen(m_runtime.path(), className));
    dialog.InitDialog();
    dialog.showMinimized();
    QTRY_VERIFY(dialog.isMinimized());

    QCOMPARE(SecondStart(), 0);
    QCOMPARE(requests, 1);
    QVERIFY(!dialog.isMinimized());
    QVERIFY(dialog.isVisible());
  }

  void ActivationTokenIsPassedOnAndCheckedOnArrival_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("token");
    QTest::newRow("plain") << QByteArray("activate\n") << true << QString();
    QTest::newRow("token") << QByteArray("activate abc-123_XYZ\n") << true << "abc-123_XYZ";
    QTest::newRow("blank inside") << QByteArray("activate a b\n") << false << QString();
    QTest::newRow("control byte") << QByteArray("activate a\x01b\n") << false << QString();
    QTest::newRow("too long") << QByteArray("activate ") + QByteArray(257, 'a') + "\n" << false << QString();
    QTest::newRow("other") << QByteArray("quit\n") << false << QString();
  }
  void ActivationTokenIsPassedOnAndCheckedOnArrival() {
    QFETCH(QByteArray, request);
    QFETCH(bool, answered);
    QFETCH(QString, token);
    CWindowClassServer server;
    QStringList tokens;
    connect(&server, &CWindowClassServer::ActivationRequested, [&](const QString& t) { tokens << t; });
    QVERIFY(server.Listen(m_runtime.path(), QStringLiteral("UPDATE_FLASH_CLASS")));
    QLocalSocket socket;
    socket.connectToServer(QDir(m_runtime.path()).filePath(QStringLiteral("UPDATE_FLASH_CLASS")));
    QVERIFY(socket.waitForConnected(2000));
    socket.write(request);
    QVERIFY(socket.waitForBytesWritten(2000));
    QTRY_VERIFY(socket.state() != QLocalSocket::ConnectedState || socket.canReadLine());
    QCOMPARE(socket.readLine() == QByteArray(kActivateReply), answered);
    QCOMPARE(tokens, answered ? QStringList{token} : QStringList{});
  }

  void SecondStartSaysWhatBecameOfItsRequest() {
    QVERIFY(SecondStartNote(true, "xcb", false).find("asked to come forward") != std::string::npos);
    QVERIFY(SecondStartNote(true, "xcb", false).find("Wayland") == std::string::npos);
    QVERIFY(SecondStartNote(false, "wayland", false).find("did not answer") != std::string::npos);
    QVERIFY(SecondStartNote(true, "wayland", false).find("without an activation token") != std::string::npos);
    QVERIFY(SecondStartNote(true, "wayland", true).find("passed on") != std::string::npos);
  }

  void LockHeldAndNobodyAnsweringExitsSilently() {
    CInstanceLock lock;
    QCOMPARE(lock.Acquire(m_runtime.path()), CInstanceLock::Result::kAcquired);
    QProcess* second = StartBrindle({});
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(second->readAllStandardOutput(), QByteArray());
  }

  void TwoRealProcesses() {
    // The first start runs the window on the simulated device and answers
    // for its window class; the second start exits and the first runs on.
    QProcess* first = StartBrindle({QStringLiteral("--simulate")});
    QVERIFY(first->waitForStarted(5000));
    const QString socket = QDir(m_runtime.path()).filePath(QStringLiteral("UPDATE_FLASH_CLASS"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);
    QVERIFY(ActivateRunningWindow(m_runtime.path()));
    QCOMPARE(SecondStart(), 0);
    QCOMPARE(first->state(), QProcess::Running);
    first->kill();
    QVERIFY(first->waitForFinished(5000));
    // The kernel dropped the lock with the process.
    CInstanceLock lock;
    QCOMPARE(lock.Acquire(m_runtime.path()), CInstanceLock::Result::kAcquired);
  }
};

QTEST_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
