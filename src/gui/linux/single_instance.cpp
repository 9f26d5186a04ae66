#include "gui/linux/single_instance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace brindle {

namespace {
// Requests and replies are one short line; longer input is dropped.
constexpr qint64 kMaxRequest = 300;
constexpr qsizetype kMaxToken = 256;
}  // namespace

QString RuntimeFolder() { return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation); }

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
        if (socket->bytesAvailable() > kMaxRequest) socket->abort();
        return;
      }
      const QByteArray line = socket->readLine(kMaxRequest);
      const QByteArray withToken(kActivateWithToken);
      QByteArray token;
      bool request = line == kActivateRequest;
      if (!request && line.startsWith(withToken) && line.endsWith('\n')) {
        token = line.mid(withToken.size(), line.size() - withToken.size() - 1);
        request = IsActivationToken(token);
      }
      if (request) {
        emit ActivationRequested(QString::fromLatin1(token));
        socket->write(kActivateReply);
        socket->flush();
      }
      socket->disconnectFromServer();
    });
  }
}

bool IsActivationToken(const QByteArray& token) {
  if (token.isEmpty() || token.size() > kMaxToken) return false;
  for (char c : token)
    if (c <= ' ' || c > '~') return false;
  return true;
}

bool ActivateRunningWindow(const QString& folder, int timeoutMs, const QByteArray& token) {
  const QByteArray request =
      IsActivationToken(token) ? QByteArray(kActivateWithToken) + token + '\n' : QByteArray(kActivateRequest);
  for (const char* className : kWindowClassNames) {
    QLocalSocket socket;
    socket.connectToServer(QDir(folder).filePath(QString::fromLatin1(className)));
    if (!socket.waitForConnected(timeoutMs)) continue;
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs)) continue;
    // The first window found is the one asked, whether or not it answers in time.
    while (!socket.canReadLine() && socket.waitForReadyRead(timeoutMs)) {
    }
    return socket.readLine(kMaxRequest) == kActivateReply;
  }
  return false;
}

std::string SecondStartNote(bool answered, const QString& platform, bool hadToken) {
  std::string note = answered ? "brindle: already running; its window was asked to come forward"
                              : "brindle: already running, but its window did not answer";
  if (answered && platform == QLatin1String("wayland")) {
    // Wayland clients cannot raise or focus windows themselves.
    note += hadToken ? " (Wayland: passed on this start's activation token; the compositor "
                       "decides whether it takes the focus)"
                     : " (Wayland: without an activation token from the launcher the compositor "
                       "leaves the focus where it is)";
  }
  return note + "\n";
}

}  // namespace brindle
