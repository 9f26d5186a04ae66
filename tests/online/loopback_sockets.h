#pragma once
// The few socket calls the loopback HTTP server makes, one implementation
// per system (POSIX sockets, Winsock); the server itself is shared.
#include <cstddef>
#include <cstdint>

namespace brindle::test {

// A descriptor on POSIX, a SOCKET on Windows; both fit, and both systems'
// invalid value is -1 here.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// A socket listening on 127.0.0.1 at a port the system chose (stored in
// port); kNoSocket when none can be had.
SocketHandle ListenOnLoopback(int& port);
// True when a connection is waiting on listener within ms milliseconds.
bool ConnectionWaiting(SocketHandle listener, int ms);
// The next connection, kNoSocket on failure.
SocketHandle AcceptConnection(SocketHandle listener);
// Bytes sent or received; 0 or less when the connection ended or failed.
// Sending to a peer that went never raises a signal.
long SendSome(SocketHandle s, const char* data, size_t size);
long ReceiveSome(SocketHandle s, char* buffer, size_t size);
// Ends both directions, waking a thread blocked in ReceiveSome.
void ShutDownBoth(SocketHandle s);
// Makes the coming CloseSocket end the connection with a TCP reset.
void ResetOnClose(SocketHandle s);
void CloseSocket(SocketHandle s);

}  // namespace brindle::test
