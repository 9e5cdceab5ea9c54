#ifndef FENDREL_SUPPORT_HTTPROUTESERVER_H
#define FENDREL_SUPPORT_HTTPROUTESERVER_H

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSockets.h"

namespace testsupport {

// What the server answers for one request target: the response bytes as they go on
// the wire, and whether the connection closes after them (else it waits for the next
// request on the same connection).
struct RouteResponse {
  std::string Bytes;
  bool CloseAfter = false;
  // Stays silent after the bytes until the server stops.
  bool HoldAfter = false;
  // As a slow line delivers them: pieces of PieceSize bytes with a pause of PauseMilliseconds
  // after each (0: all at once).
  std::size_t PieceSize = 0;
  int PauseMilliseconds = 0;
};

// A complete HTTP/1.1 response with a Content-Length.
RouteResponse HttpResponse(int status, const std::string& reason, const std::string& body,
                           const std::string& contentType = "application/octet-stream");

// A small HTTP/1.1 server on 127.0.0.1 at a port the system chooses that answers each
// request by its target from a fixed table (404 with a short page for every other
// target), on as many connections as come, each kept open between requests. The
// destructor stops it, also in the middle of a connection.
class HttpRouteServer {
 public:
  explicit HttpRouteServer(std::map<std::string, RouteResponse> routes);
  ~HttpRouteServer();
  HttpRouteServer(const HttpRouteServer&) = delete;
  HttpRouteServer& operator=(const HttpRouteServer&) = delete;

  std::uint16_t Port() const { return FPort; }
  // "http://127.0.0.1:<port>/"
  std::string BaseUrl() const;
  // The request lines in the order they came, over all connections.
  std::vector<std::string> RequestLines() const;
  // Every request head as it came, joined.
  std::string RequestHeads() const;
  // How many responses the client did not take to their end: it closed the connection first.
  int ResponsesAbandoned() const { return FAbandoned.load(); }
  // How many bytes of responses were sent so far, over all connections.
  std::size_t BytesSent() const { return FBytesSent.load(); }

 private:
  void Accept();
  void Serve(SocketNumber socket);

  std::map<std::string, RouteResponse> FRoutes;
  SocketNumber FListener = kNoSocket;
  std::uint16_t FPort = 0;
  std::atomic<bool> FStop{false};
  std::atomic<int> FAbandoned{0};
  std::atomic<std::size_t> FBytesSent{0};
  mutable std::mutex FLock;
  std::vector<std::string> FRequestLines;
  std::string FRequestHeads;
  std::vector<std::thread> FConnections;  // guarded by FLock
  std::thread FAcceptor;
};

}  // namespace testsupport

#endif
