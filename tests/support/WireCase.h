#ifndef FENDREL_SUPPORT_WIRECASE_H
#define FENDREL_SUPPORT_WIRECASE_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/String.h"

// A declarative HTTP wire case: the client's settings, the calls it makes, and for every
// connection the server accepts a script of the bytes it expects and sends. The text format
// is described in tests/http/wire/README.md; this parser knows nothing about the client.
namespace testsupport {

// One step of a connection's script.
struct WireStep {
  enum class Kind {
    Request,      // read one request head (up to its empty line) and record it against `bytes`
    Send,         // send `bytes` in one send call
    Pause,        // sleep `milliseconds`
    Close,        // graceful close: the client reads the end of the stream
    Reset,        // close with a linger time of 0: the client sees a reset
    Hold,         // stay open and silent until the client closes
    ExpectClose,  // wait (bounded) for the client to close the connection
    BeforeCall,   // wait until the driver is about to make call number `milliseconds` (1-based)
  };
  Kind kind = Kind::Pause;
  std::string bytes;
  int milliseconds = 0;
  int line = 0;  // where the step stands in the case file
};

struct WireConnection {
  std::vector<WireStep> steps;
};

// An expectation or input line of a call: key and value (escapes already applied to the value
// as raw bytes; text keys are decoded again as text by TextValue()).
struct WireCheck {
  std::string key;
  std::string value;  // the raw text after the key, placeholders expanded, escapes not applied
  int line = 0;
};

struct WireCall {
  std::string kind;               // get-text, get-stream, get-file, head
  std::string url;                // placeholders expanded
  std::vector<WireCheck> sets;    // "set key value" lines, applied before the call
  std::vector<WireCheck> checks;  // everything else
  int line = 0;
};

struct WireCase {
  std::string name;
  std::vector<WireCheck> settings;
  std::vector<WireConnection> connections;
  std::vector<WireCall> calls;
  bool ipv6 = false;
};

// Values filled in for ${HOST}, ${PORT} and ${URL} (http://host:port, brackets for IPv6).
struct WirePlaceholders {
  std::string host = "127.0.0.1";
  std::string port;
  bool ipv6 = false;
};

// Whether the case file asks for an IPv6 server (read before the server exists).
bool WireCaseWantsIPv6(const std::string& fileText);

// Parses a case file; raises std::runtime_error with the line number on a malformed file.
WireCase ParseWireCase(const std::string& name, const std::string& fileText, const WirePlaceholders& values);

// Escapes: \r \n \t \0 \\ \xHH (one byte) \uHHHH (UTF-8 of that code point) and \{N:text}
// (text repeated N times, itself unescaped first). Raises std::runtime_error when malformed.
std::string UnescapeBytes(const std::string& text);

// The same escapes read as text: literal characters are UTF-8, \xHH is the character U+00HH
// and \uHHHH is one UTF-16 unit (so lone surrogates can be written).
String UnescapeText(const std::string& text);

// Bytes shown readably in a failure message: printable ASCII as is, the rest escaped.
std::string ShowBytes(const std::string& bytes);

// The case files of a folder, sorted by name.
std::vector<std::string> ListWireCases(const std::string& folder);

std::string ReadWholeFile(const std::string& path);

}  // namespace testsupport

#endif
