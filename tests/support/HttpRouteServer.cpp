#include "support/HttpRouteServer.h"

#include <chrono>
#include <stdexcept>

#include "support/LoopbackSocket.h"
#include "support/TestSockets.h"

namespace testsupport {
namespace {

constexpr int kPollMilliseconds = 20;
constexpr std::size_t kMaxHead = 64 * 1024;

bool SendAll(SocketNumber socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const long n = SendBytes(socket, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && CallInterrupted()) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

RouteResponse HttpResponse(int status, const std::string& reason, const std::string& body,
                           const std::string& contentType) {
  RouteResponse response;
  response.Bytes = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " + contentType +
                   "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  return response;
}

HttpRouteServer::HttpRouteServer(std::map<std::string, RouteResponse> routes) : FRoutes(std::move(routes)) {
  FListener = BindLoopbackSocket(LoopbackFamily::IPv4);
  if (FListener == kNoSocket || ::listen(FListener, 16) != 0) {
    if (FListener != kNoSocket) CloseSocket(FListener);
    throw std::runtime_error("bind or listen on 127.0.0.1 failed");
  }
  FPort = LocalPort(FListener);
  FAcceptor = std::thread([this] { Accept(); });
}

HttpRouteServer::~HttpRouteServer() {
  FStop = true;
  if (FAcceptor.joinable()) FAcceptor.join();
  std::vector<std::thread> connections;
  {
    const std::lock_guard<std::mutex> guard(FLock);
    connections.swap(FConnections);
  }
  for (std::thread& t : connections) t.join();
  CloseSocket(FListener);
}

std::string HttpRouteServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(FPort) + "/";
}

std::vector<std::string> HttpRouteServer::RequestLines() const {
  const std::lock_guard<std::mutex> guard(FLock);
  return FRequestLines;
}

std::string HttpRouteServer::RequestHeads() const {
  const std::lock_guard<std::mutex> guard(FLock);
  return FRequestHeads;
}

void HttpRouteServer::Accept() {
  while (!FStop) {
    if (PollSocket(FListener, POLLIN, kPollMilliseconds) <= 0) continue;
    const SocketNumber s = AcceptSocket(FListener);
    if (s == kNoSocket) continue;
    SetNoDelay(s);
    const std::lock_guard<std::mutex> guard(FLock);
    FConnections.emplace_back([this, s] { Serve(s); });
  }
}

void HttpRouteServer::Serve(SocketNumber socket) {
  std::string pending;
  bool open = true;
  while (open && !FStop) {
    const std::size_t end = pending.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (pending.size() > kMaxHead) break;
      if (PollSocket(socket, POLLIN, kPollMilliseconds) <= 0) continue;
      char buffer[16384];
      const long n = ReceiveBytes(socket, buffer, sizeof buffer);
      if (n < 0 && CallInterrupted()) continue;
      if (n <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    // A GET has no body: the head is the whole request.
    const std::string head = pending.substr(0, end + 4);
    pending.erase(0, end + 4);
    const std::string requestLine = head.substr(0, head.find("\r\n"));
    const std::size_t firstBlank = requestLine.find(' ');
    const std::size_t secondBlank = requestLine.rfind(' ');
    const std::string target = firstBlank == std::string::npos || secondBlank <= firstBlank
                                   ? std::string()
                                   : requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1);
    {
      const std::lock_guard<std::mutex> guard(FLock);
      FRequestLines.push_back(requestLine);
      FRequestHeads += head;
    }
    const auto route = FRoutes.find(target);
    const RouteResponse response =
        route != FRoutes.end()
            ? route->second
            : HttpResponse(404, "Not Found", "<html><body>Not Found</body></html>", "text/html");
    bool sent = true;
    const std::size_t piece = response.PieceSize > 0 ? response.PieceSize : response.Bytes.size();
    for (std::size_t at = 0; sent && at < response.Bytes.size() && !FStop; at += piece) {
      const std::string part = response.Bytes.substr(at, piece);
      sent = SendAll(socket, part);
      if (sent) FBytesSent += part.size();
      if (sent && response.PauseMilliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(response.PauseMilliseconds));
    }
    if (!sent) ++FAbandoned;
    open = sent && !response.CloseAfter;
    if (open && response.HoldAfter) {
      while (!FStop) std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
    }
  }
  // Unread input would turn the close into a reset.
  char drain[16384];
  while (ReceiveBytes(socket, drain, sizeof drain, false) > 0) {
  }
  ShutdownSending(socket);
  CloseSocket(socket);
}

}  // namespace testsupport
