#include "support/PeerServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/LoopbackSocket.h"

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStartMilliseconds = 10000;

void WriteText(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

std::string FindProgram(const std::string& name) {
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  path += ":/usr/sbin:/sbin:/usr/local/sbin";
  std::stringstream folders(path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

ScratchFolder::ScratchFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a scratch folder");
  FPath = pattern;
  // Servers whose workers drop root must be able to read what lies below.
  ::chmod(FPath.c_str(), 0755);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

void ScratchFolder::WriteFile(const std::string& relative, const std::string& content) const {
  const std::filesystem::path path = std::filesystem::path(FPath) / relative;
  std::filesystem::create_directories(path.parent_path());
  for (std::filesystem::path p = path.parent_path(); p.string().size() > FPath.size(); p = p.parent_path())
    ::chmod(p.c_str(), 0755);
  WriteText(path.string(), content);
  ::chmod(path.c_str(), 0644);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& errorFile) {
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  if (!errorFile.empty())
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const int result = ::posix_spawn(&FPid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (result != 0) {
    ::close(pipeEnds[0]);
    FPid = -1;
    throw std::runtime_error("cannot start " + argv[0]);
  }
  FOutput = pipeEnds[0];
}

ChildProcess::~ChildProcess() {
  Stop();
  if (FOutput >= 0) ::close(FOutput);
}

bool ChildProcess::ReadLine(std::string& line, int milliseconds) {
  const auto limit = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    const std::size_t end = FPending.find('\n');
    if (end != std::string::npos) {
      line = FPending.substr(0, end);
      FPending.erase(0, end + 1);
      return true;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(limit - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{FOutput, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(FOutput, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    FPending.append(buffer, static_cast<std::size_t>(n));
  }
}

void ChildProcess::Stop() {
  if (FPid <= 0) return;
  ::kill(FPid, SIGTERM);
  const auto limit = Clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (::waitpid(FPid, &status, WNOHANG) == 0) {
    if (Clock::now() >= limit) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  FPid = -1;
}

bool WaitForListener(std::uint16_t port, int milliseconds) {
  const auto limit = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (Clock::now() < limit) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    const bool up = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    if (up) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// --- nginx ------------------------------------------------------------------------------------

bool NginxServer::Available() {
  return !FindProgram("nginx").empty();
}

NginxServer::NginxServer(const ScratchFolder& folder, bool alsoIPv6) : FFolder(folder.Path()) {
  const std::string nginx = FindProgram("nginx");
  if (nginx.empty()) throw std::runtime_error("nginx is not installed");
  std::filesystem::create_directories(FFolder + "/www");
  ::chmod((FFolder + "/www").c_str(), 0755);
  std::filesystem::create_directories(FFolder + "/temp");
  // The port is found free and then handed to nginx; should another program take it meanwhile,
  // nginx fails to start and the next free port is tried.
  for (int attempt = 0; attempt < 5; ++attempt) {
    FPort = UnusedLoopbackPort();
    const std::string& f = FFolder;
    std::ostringstream conf;
    conf << "daemon off;\nmaster_process on;\nworker_processes 1;\n"
         << "pid " << f << "/nginx.pid;\nerror_log " << f << "/error.log;\n"
         << "events { worker_connections 64; }\n"
         << "http {\n"
         << "  types { text/plain txt; text/html html; application/zip zip; application/octet-stream bin; }\n"
         << "  default_type text/plain;\n"
         << "  log_format connections '$connection \"$request\" $status';\n"
         << "  access_log " << f << "/access.log connections;\n"
         << "  client_body_temp_path " << f << "/temp/body;\n  proxy_temp_path " << f << "/temp/proxy;\n"
         << "  fastcgi_temp_path " << f << "/temp/fastcgi;\n  uwsgi_temp_path " << f << "/temp/uwsgi;\n"
         << "  scgi_temp_path " << f << "/temp/scgi;\n"
         << "  sendfile on;\n  keepalive_timeout 60;\n  keepalive_requests 1000;\n"
         << "  server {\n    listen 127.0.0.1:" << FPort << ";\n"
         << (alsoIPv6 ? "    listen [::1]:" + std::to_string(FPort) + ";\n" : std::string())
         << "    server_name localhost;\n"
         << "    root " << f << "/www;\n  }\n}\n";
    WriteText(f + "/nginx.conf", conf.str());
    FProcess = std::make_unique<ChildProcess>(
        std::vector<std::string>{nginx, "-p", f, "-c", f + "/nginx.conf", "-e", f + "/error.log"},
        f + "/stderr.log");
    const auto limit = Clock::now() + std::chrono::milliseconds(kStartMilliseconds);
    bool up = false;
    bool ended = false;
    while (!up && !ended && Clock::now() < limit) {
      up = WaitForListener(FPort, 50);
      int status = 0;
      if (!up) ended = ::waitpid(FProcess->Pid(), &status, WNOHANG) == FProcess->Pid();
    }
    if (up) return;
    if (!ended) FProcess->Stop();
    FProcess.reset();
  }
  std::ifstream log(FFolder + "/error.log");
  std::stringstream text;
  text << log.rdbuf();
  throw std::runtime_error("nginx did not start: " + text.str());
}

NginxServer::~NginxServer() = default;

std::vector<std::string> NginxServer::AccessLog() const {
  std::vector<std::string> lines;
  std::ifstream in(FFolder + "/access.log");
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// --- python's http.server ---------------------------------------------------------------------

namespace {

constexpr char kPythonServer[] = R"(import functools, http.server, sys

class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith('/until-close/'):
            count = int(self.path.rsplit('/', 1)[1])
            self.send_response(200)
            self.send_header('Content-Type', 'application/octet-stream')
            self.end_headers()
            pattern = bytes(range(256)) * 256
            while count > 0:
                piece = pattern[:count]
                self.wfile.write(piece)
                count -= len(piece)
            self.close_connection = True
            return
        super().do_GET()

    def log_message(self, *args):
        pass

server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(Handler, directory=sys.argv[1]))
print(server.server_address[1], flush=True)
server.serve_forever()
)";

}  // namespace

bool PythonHttpServer::Available() {
  return !FindProgram("python3").empty();
}

PythonHttpServer::PythonHttpServer(const ScratchFolder& folder) {
  const std::string python = FindProgram("python3");
  if (python.empty()) throw std::runtime_error("python3 is not installed");
  const std::string script = folder.Path() + "/server.py";
  WriteText(script, kPythonServer);
  std::filesystem::create_directories(folder.Path() + "/www");
  FProcess = std::make_unique<ChildProcess>(std::vector<std::string>{python, script, folder.Path() + "/www"},
                                            folder.Path() + "/stderr.log");
  std::string line;
  if (!FProcess->ReadLine(line, kStartMilliseconds)) {
    FProcess.reset();
    throw std::runtime_error("python's http.server did not start");
  }
  FPort = static_cast<std::uint16_t>(std::stoi(line));
}

PythonHttpServer::~PythonHttpServer() = default;

std::string PythonHttpServer::PatternBytes(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(i % 256);
  return bytes;
}

}  // namespace testsupport
