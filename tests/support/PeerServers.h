#ifndef FENDREL_SUPPORT_PEERSERVERS_H
#define FENDREL_SUPPORT_PEERSERVERS_H

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Real HTTP servers for tests and benchmarks: nginx and python's http.server, each started on
// 127.0.0.1 at a free port with everything it writes inside a scratch folder, and stopped by its
// process id. Nothing here listens on or connects to another address.
namespace testsupport {

// The full path of a program found on PATH (or in the usual sbin folders), empty when absent.
std::string FindProgram(const std::string& name);

// A scratch folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& prefix);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return FPath; }
  // Writes a file below the folder (creating its folders), readable by everyone.
  void WriteFile(const std::string& relative, const std::string& content) const;

 private:
  std::string FPath;
};

// A child process with its standard output on a pipe; ended by its process id.
class ChildProcess {
 public:
  // Starts argv[0] (a full path) with the arguments; standard error goes to errorFile when
  // given, else stays the parent's. Raises std::runtime_error when it cannot start.
  explicit ChildProcess(const std::vector<std::string>& argv, const std::string& errorFile = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return FPid; }
  // One line of the child's standard output, waited for at most the given time; false when
  // none came (the child ended, or the time ran out).
  bool ReadLine(std::string& line, int milliseconds);
  // Ends the child (SIGTERM, then SIGKILL when it does not end within a few seconds) and reaps it.
  void Stop();

 private:
  pid_t FPid = -1;
  int FOutput = -1;
  std::string FPending;
};

// Waits until something accepts connections on 127.0.0.1:port; false when the time runs out.
bool WaitForListener(std::uint16_t port, int milliseconds);

// nginx serving a document root of static files with keep-alive and real Content-Length.
class NginxServer {
 public:
  // Whether the nginx binary is installed.
  static bool Available();
  // Starts nginx over the folder's "www" subfolder; its configuration, pid file, logs and
  // temporary folders go into the folder too. The access log records the connection number of
  // each request ("<connection> <request line> <status>"). With alsoIPv6 it listens on [::1]
  // on the same port too (the caller checks that the machine has IPv6 loopback). Raises
  // std::runtime_error on failure.
  explicit NginxServer(const ScratchFolder& folder, bool alsoIPv6 = false);
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  std::uint16_t Port() const { return FPort; }
  std::string BaseURL() const { return "http://127.0.0.1:" + std::to_string(FPort); }
  std::string BaseURLIPv6() const { return "http://[::1]:" + std::to_string(FPort); }
  // The access log's lines so far (nginx writes each line when a request ends).
  std::vector<std::string> AccessLog() const;

 private:
  std::string FFolder;
  std::uint16_t FPort = 0;
  std::unique_ptr<ChildProcess> FProcess;
};

// python3's http.server (HTTP/1.0, Content-Length for files) over the folder's "www" subfolder,
// with one path of its own: "/until-close/N" answers N bytes of a repeating pattern without a
// Content-Length, so the close ends the body.
class PythonHttpServer {
 public:
  static bool Available();
  explicit PythonHttpServer(const ScratchFolder& folder);
  ~PythonHttpServer();
  PythonHttpServer(const PythonHttpServer&) = delete;
  PythonHttpServer& operator=(const PythonHttpServer&) = delete;

  std::uint16_t Port() const { return FPort; }
  std::string BaseURL() const { return "http://127.0.0.1:" + std::to_string(FPort); }
  // The bytes "/until-close/N" sends.
  static std::string PatternBytes(std::size_t count);

 private:
  std::uint16_t FPort = 0;
  std::unique_ptr<ChildProcess> FProcess;
};

}  // namespace testsupport

#endif
