// The loopback server's sockets on POSIX systems.
#include "loopback_sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brindle::test {

SocketHandle ListenOnLoopback(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    return kNoSocket;
  }
  port = ntohs(address.sin_port);
  return fd;
}

bool ConnectionWaiting(SocketHandle listener, int ms) {
  pollfd p{static_cast<int>(listener), POLLIN, 0};
  return poll(&p, 1, ms) > 0;
}

SocketHandle AcceptConnection(SocketHandle listener) {
  const int fd = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? kNoSocket : fd;
}

long SendSome(SocketHandle s, const char* data, size_t size) {
  return static_cast<long>(send(static_cast<int>(s), data, size, MSG_NOSIGNAL));
}

long ReceiveSome(SocketHandle s, char* buffer, size_t size) {
  return static_cast<long>(recv(static_cast<int>(s), buffer, size, 0));
}

void ShutDownBoth(SocketHandle s) { shutdown(static_cast<int>(s), SHUT_RDWR); }

void ResetOnClose(SocketHandle s) {
  // A zero linger time makes close send a reset.
  linger l{1, 0};
  setsockopt(static_cast<int>(s), SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

void CloseSocket(SocketHandle s) { close(static_cast<int>(s)); }

}  // namespace brindle::test
