// The loopback server's sockets on Windows: Winsock, started once for the
// life of the test program.
#include "online/loopback_sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>

namespace brindle::test {

namespace {

bool WinsockStarted() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET Native(SocketHandle s) { return static_cast<SOCKET>(s); }

int Chunk(size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

}  // namespace

SocketHandle ListenOnLoopback(int& port) {
  if (!WinsockStarted()) return kNoSocket;
  // Not inherited by the programs the tests start.
  const SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return kNoSocket;
  // Nobody else may bind the port while it is ours.
  BOOL exclusive = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(s);
    return kNoSocket;
  }
  port = ntohs(address.sin_port);
  return static_cast<SocketHandle>(s);
}

bool ConnectionWaiting(SocketHandle listener, int ms) {
  WSAPOLLFD p{Native(listener), POLLRDNORM, 0};
  return WSAPoll(&p, 1, ms) > 0;
}

SocketHandle AcceptConnection(SocketHandle listener) {
  const SOCKET s = accept(Native(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return kNoSocket;
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return static_cast<SocketHandle>(s);
}

long SendSome(SocketHandle s, const char* data, size_t size) { return send(Native(s), data, Chunk(size), 0); }

long ReceiveSome(SocketHandle s, char* buffer, size_t size) {
  return recv(Native(s), buffer, Chunk(size), 0);
}

void ShutDownBoth(SocketHandle s) { shutdown(Native(s), SD_BOTH); }

void ResetOnClose(SocketHandle s) {
  // A zero linger time makes closesocket send a reset.
  linger l{1, 0};
  setsockopt(Native(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
}

void CloseSocket(SocketHandle s) { closesocket(Native(s)); }

}  // namespace brindle::test
