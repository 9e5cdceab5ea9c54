// get: the update server seen through the updater's own HTTP client and settings.
#include <cstdio>
#include <exception>
#include <memory>

#include "check/CheckCommands.h"
#include "check/FailureReport.h"
#include "check/ForwardOnlyStream.h"
#include "check/UpdaterClient.h"
#include "core/Stream.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPException.h"
#include "platform/Files.h"

namespace check {
namespace {

bool WriteOut(const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
}

// The client returns normally when it ends on a redirect it may not follow any further;
// for the tool that is a failure, reported as the status it ended on.
void RequireNoRedirectLeft(TIdHTTP& http) {
  TIdHTTPResponse& response = http.Response();
  const int code = response.ResponseCode();
  if (code / 100 == 3 && code != 304 && !response.Location().empty()) {
    throw EIdHTTPProtocolException(code, response.ResponseText());
  }
}

}  // namespace

int RunGet(const GetArguments& arguments) {
  try {
    TUpdaterClient client(arguments.CAFiles);
    TIdHTTP& http = client.HTTP();
    http.SetReadTimeout(arguments.ReadTimeout);
    http.SetDeadline(arguments.DeadlineMs);
    http.SetHandleRedirects(arguments.Follow);
    for (const NameOverride& entry : arguments.Resolve) {
      http.NameOverrides().Add(FromUtf8(entry.Host), entry.Port, FromUtf8(entry.Address));
    }

    if (arguments.OutputFile) {
      // Created or emptied first, as the download file is; what arrived stays on a failure. A
      // device or a pipe (/dev/null, /dev/stdout, a FIFO) is opened for writing only, and
      // every output is written in order, never sized or positioned.
      const String name = FromUtf8(*arguments.OutputFile);
      TFileStream file(
          name, platform::IsStreamOnly(name) ? fmOpenWrite | fmShareDenyNone : fmCreate | fmShareDenyNone);
      TForwardOnlyStream output(file);
      http.Get(FromUtf8(arguments.Urls.front()), output);
      if (arguments.Follow) RequireNoRedirectLeft(http);
      return 0;
    }

    for (const std::string& url : arguments.Urls) {
      const String text = http.Get(FromUtf8(url));
      if (arguments.Follow) RequireNoRedirectLeft(http);
      // Exactly the text, in UTF-8; an unpaired surrogate becomes U+FFFD.
      if (!WriteOut(ToUtf8(text)) || std::fflush(stdout) != 0) return 1;
    }
    return 0;
  } catch (const std::exception& e) {
    WriteFailure(e);
    return 1;
  }
}

}  // namespace check
