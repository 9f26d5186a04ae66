#include "app/qt/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace brindle {

QString RuntimeFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

CInstanceLock::~CInstanceLock() { Release(); }

CInstanceLock::Result CInstanceLock::Acquire(const QString& folder) {
  switch (AcquireInstanceLock(m_lock, folder.toStdString())) {
    case LockResult::kAcquired:
      return Result::kAcquired;
    case LockResult::kHeld:
      return Result::kHeldElsewhere;
    case LockResult::kUnusable:
      break;
  }
  return Result::kUnavailable;
}

void CInstanceLock::Release() { m_lock.Release(); }

CWindowClassServer::CWindowClassServer(QObject* parent) : QObject(parent) {
  // Only this user may ask the window to come forward.
  m_server.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&m_server, &QLocalServer::newConnection, this, &CWindowClassServer::OnNewConnection);
}

bool CWindowClassServer::Listen(const QString& folder, const QString& className) {
  const QString path = QDir(folder).filePath(className);
  QLocalServer::removeServer(path);
  return m_server.listen(path);
}

void CWindowClassServer::OnNewConnection() {
  while (QLocalSocket* socket = m_server.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      // Requests are one short line; anything else is dropped.
      if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > 64) socket->abort();
        return;
      }
      const QByteArray line = socket->readLine(64);
      if (line == kActivateRequest) {
        emit ActivationRequested();
        socket->write(kActivateReply);
        socket->flush();
      }
      socket->disconnectFromServer();
    });
  }
}

bool ActivateRunningWindow(const QString& folder, int timeoutMs) {
  for (const char* className : kWindowClassNames) {
    QLocalSocket socket;
    socket.connectToServer(QDir(folder).filePath(QString::fromLatin1(className)));
    if (!socket.waitForConnected(timeoutMs)) continue;
    socket.write(kActivateRequest);
    if (!socket.waitForBytesWritten(timeoutMs)) continue;
    // The first window found is the one asked, whether or not it answers in time.
    while (!socket.canReadLine() && socket.waitForReadyRead(timeoutMs)) {
    }
    return socket.readLine(64) == kActivateReply;
  }
  return false;
}

}  // namespace brindle
