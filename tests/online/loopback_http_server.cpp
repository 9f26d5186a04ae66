#include "online/loopback_http_server.h"

#include <algorithm>
#include <cctype>
#include <chrono>

#include "online/loopback_sockets.h"

namespace brindle::test {

namespace {

bool SendAll(SocketHandle fd, const char* data, size_t size) {
  while (size > 0) {
    const long n = SendSome(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void Pause(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Reads one request head (up to the blank line); false when the peer went.
bool ReadRequest(SocketHandle fd, ReceivedRequest& request) {
  std::string data;
  char buffer[4096];
  while (data.find("\r\n\r\n") == std::string::npos) {
    const long n = ReceiveSome(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    data.append(buffer, static_cast<size_t>(n));
  }
  size_t pos = data.find("\r\n");
  request.requestLine = data.substr(0, pos);
  pos += 2;
  for (;;) {
    const size_t end = data.find("\r\n", pos);
    if (end == pos || end == std::string::npos) break;
    const std::string line = data.substr(pos, end - pos);
    request.headerLines.push_back(line);
    const size_t colon = line.find(':');
    if (colon != std::string::npos) {
      std::string name = line.substr(0, colon);
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
      std::string value = line.substr(colon + 1);
      value.erase(0, value.find_first_not_of(' '));
      request.headers[name] = value;
    }
    pos = end + 2;
  }
  return true;
}

std::string PathOf(const std::string& requestLine) {
  const size_t a = requestLine.find(' ');
  const size_t b = requestLine.rfind(' ');
  if (a == std::string::npos || b <= a) return {};
  std::string target = requestLine.substr(a + 1, b - a - 1);
  // A request through a proxy names the absolute URL.
  if (target.rfind("http://", 0) == 0) {
    const size_t slash = target.find('/', 7);
    target = slash == std::string::npos ? "/" : target.substr(slash);
  }
  return target;
}

}  // namespace

ScriptedResponse MakeResponse(const std::string& status, const std::string& body, bool withLength,
                              const std::string& extraHeaders) {
  ScriptedResponse r;
  r.head = "HTTP/1.1 " + status + "\r\n" + extraHeaders;
  if (withLength) r.head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  r.body = body;
  return r;
}

CLoopbackHttpServer::CLoopbackHttpServer() {
  m_listenFd = ListenOnLoopback(m_port);
  if (m_listenFd != kNoSocket) m_acceptor = std::thread([this] { AcceptLoop(); });
}

CLoopbackHttpServer::~CLoopbackHttpServer() {
  m_stopping.store(true);
  if (m_acceptor.joinable()) m_acceptor.join();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (SocketHandle fd : m_openFds) ShutDownBoth(fd);
  }
  for (auto& t : m_connections) t.join();
  if (m_listenFd != kNoSocket) CloseSocket(m_listenFd);
}

std::string CLoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void CLoopbackHttpServer::Serve(const std::string& path, ScriptedResponse response) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_responses[path] = std::move(response);
}

void CLoopbackHttpServer::SetResponder(Responder responder) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_responder = std::move(responder);
}

std::vector<ReceivedRequest> CLoopbackHttpServer::Requests() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_requests;
}

void CLoopbackHttpServer::AcceptLoop() {
  while (!m_stopping.load()) {
    if (!ConnectionWaiting(m_listenFd, 50)) continue;
    const SocketHandle fd = AcceptConnection(m_listenFd);
    if (fd == kNoSocket) continue;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openFds.push_back(fd);
    m_connections.emplace_back([this, fd] { Handle(fd); });
  }
}

ScriptedResponse CLoopbackHttpServer::Choose(const ReceivedRequest& request) {
  Responder responder;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.push_back(request);
    if (!m_responder) {
      const auto it = m_responses.find(PathOf(request.requestLine));
      if (it != m_responses.end()) return it->second;
      return MakeResponse("404 Not Found", "no such path");
    }
    responder = m_responder;
  }
  // Called without the lock: a responder that holds its request back must
  // not stop other connections or the test's own calls to the server.
  return responder(request);
}

void CLoopbackHttpServer::Handle(SocketHandle fd) {
  bool reset = false;
  for (;;) {
    ReceivedRequest request;
    if (!ReadRequest(fd, request)) break;
    const ScriptedResponse r = Choose(request);
    Pause(r.headDelayMs);
    if (r.head.empty()) {  // no answer at all, only the connection's end
      reset = r.resetAtEnd;
      break;
    }
    const std::string head = r.head + "\r\n";
    if (!SendAll(fd, head.data(), head.size())) break;
    const size_t toSend = std::min(r.sendBytes, r.body.size());
    const size_t piece = r.pieceBytes ? r.pieceBytes : std::max<size_t>(toSend, 1);
    bool sent = true;
    for (size_t done = 0; done < toSend && sent && !m_stopping.load(); done += piece) {
      if (r.pieceBytes) Pause(r.pauseMs);
      sent = SendAll(fd, r.body.data() + done, std::min(piece, toSend - done));
    }
    if (r.resetAtEnd) {
      reset = true;
      break;
    }
    if (r.closeAtEnd || !sent) break;
  }
  if (reset) ResetOnClose(fd);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_openFds.erase(std::remove(m_openFds.begin(), m_openFds.end(), fd), m_openFds.end());
  CloseSocket(fd);
}

}  // namespace brindle::test
