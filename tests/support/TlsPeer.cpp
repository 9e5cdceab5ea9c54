#include "support/TlsPeer.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "support/ChildProgram.h"

namespace testsupport {

namespace {

constexpr int kStartMilliseconds = 10000;

void WriteText(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path);
}

void RunOpenssl(const std::vector<std::string>& arguments) {
  ProgramCall call;
  call.Program = FindProgram("openssl");
  call.Arguments = arguments;
  const ProgramRun run = RunProgram(call);
  if (run.ExitCode != 0) throw std::runtime_error("openssl " + arguments.front() + " failed: " + run.Err);
}

const char* KindName(TestCertificates::Kind kind) {
  switch (kind) {
    case TestCertificates::Kind::Good:
      return "good";
    case TestCertificates::Kind::WrongName:
      return "wrong-name";
    case TestCertificates::Kind::Expired:
      return "expired";
    case TestCertificates::Kind::Untrusted:
      return "untrusted";
    case TestCertificates::Kind::CommonNameOnly:
      return "common-name-only";
  }
  return "good";
}

constexpr char kTlsServer[] = R"(import itertools, os, socket, ssl, sys, threading

cert, key, low, high, mode, root, ask, authority = sys.argv[1:9]
versions = {'1.0': ssl.TLSVersion.TLSv1, '1.1': ssl.TLSVersion.TLSv1_1,
            '1.2': ssl.TLSVersion.TLSv1_2, '1.3': ssl.TLSVersion.TLSv1_3}
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
if versions[low] < ssl.TLSVersion.TLSv1_2:
    # The old versions need the old algorithms, which the default security level refuses.
    context.set_ciphers('DEFAULT:@SECLEVEL=0')
context.minimum_version = versions[low]
context.maximum_version = versions[high]
context.load_cert_chain(cert, key)
if ask == 'optional':
    # A certificate request in the handshake, for any certificate of the test authority;
    # the client may send none.
    context.verify_mode = ssl.CERT_OPTIONAL
    context.load_verify_locations(authority)

lock = threading.Lock()
held = []

def report(text):
    with lock:
        print(text, flush=True)

def pattern(count):
    return (bytes(range(256)) * (count // 256 + 1))[:count]

def response(status, body):
    return (b'HTTP/1.1 ' + status + b'\r\nContent-Type: text/plain\r\nContent-Length: ' +
            str(len(body)).encode() + b'\r\n\r\n' + body)

def serve(raw, number):
    if mode == 'silent':
        held.append(raw)
        return
    if mode == 'plain':
        try:
            raw.recv(4096)
            raw.sendall(b'HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n')
        except OSError:
            pass
        raw.close()
        return
    raw.settimeout(30)
    try:
        conn = context.wrap_socket(raw, server_side=True)
    except (ssl.SSLError, OSError) as e:
        report('failed %s' % (getattr(e, 'reason', None) or e))
        raw.close()
        return
    report('handshake %s' % conn.version())
    pending = b''
    requests = 0
    try:
        while True:
            while b'\r\n\r\n' not in pending:
                data = conn.recv(65536)
                if not data:
                    conn.close()
                    return
                pending += data
            head, pending = pending.split(b'\r\n\r\n', 1)
            requests += 1
            target = head.split(b' ')[1].decode()
            parts = target.split('/')
            if target == '/hello':
                conn.sendall(response(b'200 OK', b'hello over tls'))
            elif target == '/connection':
                conn.sendall(response(b'200 OK', ('connection %d request %d' % (number, requests)).encode()))
            elif len(parts) == 4 and parts[1] == 'until-close':
                conn.sendall(b'HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n' +
                             pattern(int(parts[3])))
                if parts[2] == 'notify':
                    try:
                        conn.unwrap().close()
                    except (ssl.SSLError, OSError):
                        conn.close()
                else:
                    # Closed under the TLS layer: no close notification.
                    conn.shutdown(socket.SHUT_RDWR)
                    conn.close()
                return
            elif os.path.isfile(os.path.join(root, target.lstrip('/'))) and '..' not in parts:
                with open(os.path.join(root, target.lstrip('/')), 'rb') as f:
                    content = f.read()
                if os.path.isfile(os.path.join(root, target.lstrip('/')) + '.cut'):
                    conn.sendall(b'HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n' + content)
                    conn.shutdown(socket.SHUT_RDWR)
                    conn.close()
                    return
                conn.sendall(response(b'200 OK', content))
            else:
                conn.sendall(response(b'404 Not Found', b'not here'))
    except (ssl.SSLError, OSError):
        conn.close()

listener = socket.socket()
listener.bind(('127.0.0.1', 0))
listener.listen(16)
print(listener.getsockname()[1], flush=True)
for number in itertools.count(1):
    raw, _ = listener.accept()
    threading.Thread(target=serve, args=(raw, number), daemon=True).start()
)";

}  // namespace

bool TestCertificates::Available() {
  return !FindProgram("openssl").empty() && !FindProgram("python3").empty();
}

const TestCertificates& TestCertificates::Shared() {
  static const TestCertificates certificates;
  return certificates;
}

TestCertificates::TestCertificates() : FFolder(std::make_unique<ScratchFolder>("fendrel-tls-ca")) {
  const std::string dir = FFolder->Path() + "/";
  const auto makeAuthority = [&](const std::string& name, const std::string& commonName) {
    RunOpenssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout",
                dir + name + ".key", "-out", dir + name + ".pem", "-days", "30", "-subj",
                "/CN=" + commonName});
  };
  makeAuthority("authority", "Fendrel Test Authority");
  makeAuthority("stranger", "Unknown Test Authority");

  const auto makeServer = [&](TestCertificates::Kind kind, const std::string& authority,
                              const std::string& names, const std::string& days, int serial,
                              const std::string& subject = "/CN=Fendrel Test Server") {
    const std::string name = dir + KindName(kind);
    RunOpenssl({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes", "-keyout",
                name + ".key", "-out", name + ".csr", "-subj", subject});
    WriteText(name + ".ext", (names.empty() ? std::string() : "subjectAltName=" + names + "\n") +
                                 "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\n"
                                 "extendedKeyUsage=serverAuth\n");
    RunOpenssl({"x509", "-req", "-in", name + ".csr", "-CA", dir + authority + ".pem", "-CAkey",
                dir + authority + ".key", "-set_serial", std::to_string(serial), "-days", days, "-extfile",
                name + ".ext", "-out", name + ".pem"});
  };
  const std::string local = "IP:127.0.0.1,IP:::1,DNS:localhost";
  makeServer(Kind::Good, "authority", local, "30", 1);
  makeServer(Kind::WrongName, "authority", "DNS:other.example", "30", 2);
  // Valid until a day before it was made.
  makeServer(Kind::Expired, "authority", local, "-1", 3);
  makeServer(Kind::Untrusted, "stranger", local, "30", 4);
  makeServer(Kind::CommonNameOnly, "authority", "", "30", 5, "/CN=good.test");
}

std::string TestCertificates::AuthorityFile() const {
  return FFolder->Path() + "/authority.pem";
}

std::string TestCertificates::CertificateFile(Kind kind) const {
  return FFolder->Path() + "/" + KindName(kind) + ".pem";
}

std::string TestCertificates::KeyFile(Kind kind) const {
  return FFolder->Path() + "/" + KindName(kind) + ".key";
}

PythonTlsServer::PythonTlsServer(const Options& options)
    : FFolder(std::make_unique<ScratchFolder>("fendrel-tls-server")) {
  const std::string python = FindProgram("python3");
  if (python.empty()) throw std::runtime_error("python3 is not installed");
  const TestCertificates& certificates = TestCertificates::Shared();
  const std::string script = FFolder->Path() + "/server.py";
  WriteText(script, kTlsServer);
  std::filesystem::create_directories(FFolder->Path() + "/www");
  for (const auto& [name, content] : options.Files) FFolder->WriteFile("www/" + name, content);
  for (const std::string& name : options.CutFiles) FFolder->WriteFile("www/" + name + ".cut", "");
  const char* mode = options.How == Mode::Plain ? "plain" : options.How == Mode::Silent ? "silent" : "tls";
  FProcess = std::make_unique<ChildProcess>(
      std::vector<std::string>{python, script, certificates.CertificateFile(options.Certificate),
                               certificates.KeyFile(options.Certificate), options.LowestVersion,
                               options.HighestVersion, mode, FFolder->Path() + "/www",
                               options.AskClientCertificate ? "optional" : "none",
                               certificates.AuthorityFile()},
      FFolder->Path() + "/stderr.log");
  std::string line;
  if (!FProcess->ReadLine(line, kStartMilliseconds)) {
    FProcess.reset();
    throw std::runtime_error("the python TLS server did not start");
  }
  FPort = static_cast<std::uint16_t>(std::stoi(line));
}

PythonTlsServer::~PythonTlsServer() = default;

std::string PythonTlsServer::NextReport(int milliseconds) {
  std::string line;
  if (!FProcess->ReadLine(line, milliseconds)) return std::string();
  return line;
}

std::string TlsPatternBytes(std::size_t count) {
  std::string bytes(count, '\0');
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(i % 256);
  return bytes;
}

}  // namespace testsupport
