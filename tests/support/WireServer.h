#ifndef FENDREL_SUPPORT_WIRESERVER_H
#define FENDREL_SUPPORT_WIRESERVER_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/LoopbackSocket.h"
#include "support/WireCase.h"

namespace testsupport {

// What one connection's script saw.
struct WireConnectionRecord {
  struct Request {
    std::string expected;
    std::string received;  // the head as it arrived (up to its empty line), or what came before the end
    bool complete = false;
    int line = 0;
  };
  std::vector<Request> requests;
  struct CloseWait {
    bool closed = false;
    int line = 0;
  };
  std::vector<CloseWait> closeWaits;
  std::string unexpected;  // bytes that arrived where the script expected none
  bool finished = false;
};

// A TCP server on 127.0.0.1 or ::1 that runs the scripts of a wire case: the first accepted
// connection runs the first script, the second the second, and so on, each on a thread of its
// own. Connections beyond the scripts are counted and closed at once. Every wait on the client
// is bounded, and the destructor stops everything, also in the middle of a script.
class WireServer {
 public:
  // Binds and listens at once, so the port is known before the scripts are written; the
  // scripts start with Start (connections made before then wait in the backlog).
  explicit WireServer(LoopbackFamily family);
  ~WireServer();
  WireServer(const WireServer&) = delete;
  WireServer& operator=(const WireServer&) = delete;

  std::uint16_t Port() const { return FPort; }
  void Start(std::vector<WireConnection> scripts);

  // Waits (bounded) until no script is working on its own: each has finished or waits for the
  // client. Returns false when that does not happen in time.
  bool WaitQuiet(int milliseconds);
  // Waits (bounded) until every accepted connection's script has finished.
  bool WaitFinished(int milliseconds);

  // Tells the scripts that the driver is about to make call `number` (1-based).
  void BeginCall(int number);

  int Accepted() const { return FAccepted.load(); }
  int Unexpected() const { return FUnexpected.load(); }
  std::vector<WireConnectionRecord> Records() const;

  // How long a script waits for the client before it gives up.
  static constexpr int kClientWaitMilliseconds = 5000;

 private:
  struct Connection {
    SocketNumber socket = kNoSocket;
    std::thread thread;
  };
  void AcceptLoop();
  void RunScript(std::size_t index, SocketNumber socket);
  void SetBusy(bool busy);
  // Waits for input; false on the stop flag or the time limit.
  bool WaitReadable(SocketNumber socket, int milliseconds);
  // One receive into `pending`; false when the peer closed or the receive failed.
  bool ReceiveSome(SocketNumber socket, std::string& pending);
  bool SendAll(SocketNumber socket, const std::string& bytes);

  std::vector<WireConnection> FScripts;
  SocketNumber FListener = kNoSocket;
  std::uint16_t FPort = 0;
  std::atomic<bool> FStop{false};
  std::atomic<int> FAccepted{0};
  std::atomic<int> FUnexpected{0};
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  int FBusy = 0;
  int FRunning = 0;
  int FCall = 0;
  std::vector<WireConnectionRecord> FRecords;
  std::vector<Connection> FConnections;
  std::thread FAcceptThread;
};

}  // namespace testsupport

#endif
