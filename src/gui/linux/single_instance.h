#pragma once
// How a second start finds the running window on Linux: each running
// window listens on a local socket in the user's runtime folder named after
// its window class, through which a second start asks it to come forward.
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <string>

#include "gui/window_classes.h"

namespace brindle {
inline constexpr const char* kActivateRequest = "activate\n";
// Under Wayland a window comes forward only with an activation token that
// the launcher gave the new process (XDG_ACTIVATION_TOKEN); a second start
// passes its token on as "activate TOKEN\n".
inline constexpr const char* kActivateWithToken = "activate ";
inline constexpr const char* kActivateReply = "ok\n";

// The user's runtime folder ($XDG_RUNTIME_DIR, else a private folder Qt makes).
QString RuntimeFolder();

// The running window's end of the activation protocol.
class CWindowClassServer : public QObject {
  Q_OBJECT
 public:
  explicit CWindowClassServer(QObject* parent = nullptr);
  // Listens on folder/className; a stale socket of an earlier run is removed
  // first (the caller holds the instance lock, so nobody else uses it).
  bool Listen(const QString& folder, const QString& className);

 signals:
  // token: the second start's activation token, empty when it had none.
  void ActivationRequested(const QString& token);

 private:
  void OnNewConnection();
  QLocalServer m_server;
};

// A second start: asks the first window found, in class order, to come
// forward (with token when not empty) and waits for its answer. False when
// no window answered.
bool ActivateRunningWindow(const QString& folder, int timeoutMs = 2000,
                           const QByteArray& token = QByteArray());

// An activation token is one short run of printable, blank-free ASCII.
bool IsActivationToken(const QByteArray& token);

// The line a second start prints: what became of its request, and under
// Wayland what the compositor decides.
std::string SecondStartNote(bool answered, const QString& platform, bool hadToken);

}  // namespace brindle
