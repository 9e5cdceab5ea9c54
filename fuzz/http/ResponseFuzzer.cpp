// Reads arbitrary bytes as the server's answer to one request of the client: status line,
// header block and body framing (chunked, counted, until the close), with interim heads,
// redirects, error pages, limits and the meta scan of HTML bodies. The peer is memory, fed in
// pieces chosen by the second input byte.
//
// Input: [options] [pieces] [response bytes...]
//   options bits 0-1: the call (0 Get into a memory stream, 1 Get as text, 2 Head,
//                     3 Get into a stream that is not a memory stream)
//           bit 2: HTTP/1.0 client     bit 3: follow redirects
//           bit 4: wait for data after a head without body
//           bit 5: no meta scan        bits 6-7: tight limits (header lines, error and memory bodies)
//   pieces: 0x80 and above: each receive takes what is there; below: 1 + pieces % 17 bytes
//
// Every failure must be one of the client's exceptions; a body read in full must be exactly
// the bytes its Content-Length counted, taken from the input. When the client keeps the
// connection, a second Get reads whatever follows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Exception.h"
#include "core/Stream.h"
#include "http/IdHTTP.h"
#include "support/MemoryIOHandler.h"

namespace {

// A stream that is no memory stream, so an HTML body is held aside for the meta scan.
class TForwardStream final : public TStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override { return FInner.Read(buffer, count); }
  std::int64_t Write(const void* buffer, std::int64_t count) override { return FInner.Write(buffer, count); }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override { return FInner.Seek(offset, origin); }
  void SetSize(std::int64_t newSize) override { FInner.SetSize(newSize); }
  TMemoryStream& Inner() { return FInner; }

 private:
  TMemoryStream FInner;
};

bool Within(const std::uint8_t* data, std::size_t size, TMemoryStream& body) {
  const std::uint8_t* bytes = body.Memory();
  const auto length = static_cast<std::size_t>(body.Size());
  if (length == 0) return true;
  return std::search(data, data + size, bytes, bytes + length) != data + size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t options = data[0];
  const std::uint8_t pieces = data[1];
  data += 2;
  size -= 2;

  testsupport::MemoryIOHandler handler(data, size);
  if (pieces < 0x80) handler.PieceSizes = {1 + pieces % 17};

  TIdHTTP http;
  http.SetIOHandler(&handler);
  if (options & 0x04) http.SetProtocolVersion(TIdHTTPProtocolVersion::pv1_0);
  http.SetHandleRedirects((options & 0x08) != 0);
  TIdHTTPOptions httpOptions = http.HTTPOptions();
  if (options & 0x10) httpOptions.Include(TIdHTTPOption::hoWaitForUnexpectedData);
  if (options & 0x20) httpOptions.Include(TIdHTTPOption::hoNoParseMetaHTTPEquiv);
  http.SetHTTPOptions(httpOptions);
  // Inputs stay far below 64 KiB, so that limit acts like the large defaults; it keeps a body
  // read until the close from sizing its stream for megabytes on every input.
  http.SetMaxErrorBodySize(options & 0x40 ? 16 : 65536);
  http.SetMaxInMemoryBodySize(options & 0x80 ? 64 : 65536);
  if (options & 0x40) http.SetMaxHeaderLines(4);

  const String url = u"http://127.0.0.1:8080/dir/file?q=1";
  const int call = options & 0x03;
  TMemoryStream memory;
  TForwardStream forward;
  bool done = false;
  try {
    switch (call) {
      case 0:
        http.Get(url, memory);
        break;
      case 1:
        http.Get(url);
        break;
      case 2:
        http.Head(url);
        break;
      default:
        http.Get(url, forward);
        break;
    }
    done = true;
  } catch (const Exception&) {
    // Every way a hostile response fails is one of the client's exceptions.
  }

  if (done && (call == 0 || call == 3)) {
    TIdHTTPResponse& response = http.Response();
    const int code = response.ResponseCode();
    const bool chunked = LowerCaseAscii(response.TransferEncoding()).find(u"chunked") != String::npos;
    TMemoryStream& body = call == 0 ? memory : forward.Inner();
    if (code >= 200 && code < 300 && code != 204 && !chunked && response.HasContentLength()) {
      if (body.Size() != response.ContentLength()) std::abort();
      if (!Within(data, size, body)) std::abort();
    }
  }

  // A connection the client kept serves the next request from the bytes that are left.
  if (http.Connected()) {
    try {
      TMemoryStream next;
      http.Get(u"next", next);
    } catch (const Exception&) {
      // As above.
    }
  }
  http.SetIOHandler(nullptr);
  return 0;
}
