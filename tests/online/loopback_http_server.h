#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the downloader tests. Each path
// has a scripted response: the head as written, the body, how much of it to
// send, in what pieces and with what pauses, and how the connection ends.
// Every request received is recorded. One thread per connection.
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "online/loopback_sockets.h"

namespace brindle::test {

struct ScriptedResponse {
  std::string head;  // status line and headers, each ending in CRLF, without the blank
                     // line; empty: the connection ends without an answer
  std::string body;
  size_t sendBytes = SIZE_MAX;  // body bytes actually sent (fewer: a truncated body)
  size_t pieceBytes = 0;        // body sent in pieces of this size (0: at once)
  int pauseMs = 0;              // pause before each piece
  int headDelayMs = 0;          // pause before the head is sent
  bool resetAtEnd = false;      // end with a TCP reset instead of an orderly close
  bool closeAtEnd = true;       // close after the response (needed without Content-Length)
};

struct ReceivedRequest {
  std::string requestLine;                     // e.g. "GET /x HTTP/1.1"
  std::map<std::string, std::string> headers;  // names in lower case
  std::vector<std::string> headerLines;        // as received
};

// Builds "HTTP/1.1 <status>" with the given headers; Content-Length is added
// for the body unless withLength is false.
ScriptedResponse MakeResponse(const std::string& status, const std::string& body, bool withLength = true,
                              const std::string& extraHeaders = "");

class CLoopbackHttpServer {
 public:
  // Chooses the response for a request; the default looks up the path.
  using Responder = std::function<ScriptedResponse(const ReceivedRequest&)>;

  CLoopbackHttpServer();
  ~CLoopbackHttpServer();
  CLoopbackHttpServer(const CLoopbackHttpServer&) = delete;
  CLoopbackHttpServer& operator=(const CLoopbackHttpServer&) = delete;

  bool Started() const { return m_listenFd != kNoSocket; }
  int Port() const { return m_port; }
  std::string Url(const std::string& path) const;

  void Serve(const std::string& path, ScriptedResponse response);
  void SetResponder(Responder responder);
  std::vector<ReceivedRequest> Requests();

 private:
  void AcceptLoop();
  void Handle(SocketHandle fd);
  ScriptedResponse Choose(const ReceivedRequest& request);

  SocketHandle m_listenFd = kNoSocket;
  int m_port = 0;
  std::atomic<bool> m_stopping{false};
  std::mutex m_mutex;
  std::map<std::string, ScriptedResponse> m_responses;
  Responder m_responder;
  std::vector<ReceivedRequest> m_requests;
  std::vector<SocketHandle> m_openFds;
  std::vector<std::thread> m_connections;
  std::thread m_acceptor;
};

}  // namespace brindle::test
