#include <algorithm>
#include <memory>

#include "core/CleanUp.h"
#include "http/IdCharsets.h"
#include "http/IdHTTP.h"
#include "http/IdHtmlMeta.h"

namespace {

bool Contains(const std::vector<int>& codes, int code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool IsChunked(const TIdHTTPResponse& response) {
  return LowerCaseAscii(response.TransferEncoding()).find(u"chunked") != String::npos;
}

String MediaType(const String& contentType) {
  return TrimText(StringView(contentType).substr(0, contentType.find(u';')));
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Restores the response's stream when a step that replaced it ends.
class StreamSwap {
 public:
  StreamSwap(TIdHTTPResponse& response, TStream* replacement)
      : FResponse(response), FSaved(response.ContentStream()) {
    FResponse.SetContentStream(replacement);
  }
  ~StreamSwap() { FResponse.SetContentStream(FSaved); }
  StreamSwap(const StreamSwap&) = delete;
  StreamSwap& operator=(const StreamSwap&) = delete;

 private:
  TIdHTTPResponse& FResponse;
  TStream* FSaved;
};

}  // namespace

// What happens to the bytes of a body: into a stream (or dropped without one), up to a limit.
// Beyond the limit a text body fails, an error body is cut, and a body held for the meta scan
// spills into the caller's stream and streams on.
struct TIdHTTPProtocol::TBodySink {
  enum class Overflow { None, Fail, Cut, Spill };

  TIdIOHandler& Handler;
  TStream* Target = nullptr;
  std::int64_t Limit = -1;
  Overflow OnOverflow = Overflow::None;
  TStream* SpillTo = nullptr;
  TMemoryStream* Held = nullptr;  // the memory a spill frees
  std::int64_t Taken = 0;
  bool Cut = false;
  bool Spilled = false;

  bool Limited() const { return OnOverflow != Overflow::None && Limit >= 0; }

  // Room left below the limit, or -1 without one.
  std::int64_t Room() const { return Limited() ? std::max<std::int64_t>(Limit - Taken, 0) : -1; }

  void Move(std::int64_t count) {
    if (count <= 0) return;
    if (Target != nullptr) {
      const std::int64_t before = Target->Position();
      try {
        Handler.ReadStream(*Target, count, false);
      } catch (...) {
        Taken += Target->Position() - before;
        throw;
      }
    } else {
      Handler.Discard(count);
    }
    Taken += count;
  }

  // Handles reaching the limit; returns false when reading stops here.
  bool Overflowed() {
    switch (OnOverflow) {
      case Overflow::Fail:
        throw EIdIOHandlerStreamDataTooLarge();
      case Overflow::Cut:
        Cut = true;
        return false;
      case Overflow::Spill: {
        Target->SetPosition(0);
        SpillTo->CopyFrom(*Target, 0);
        if (Held != nullptr) Held->Clear();
        Target = SpillTo;
        Spilled = true;
        OnOverflow = Overflow::None;
        return true;
      }
      case Overflow::None:
        break;
    }
    return true;
  }

  // Exactly count bytes; false when the body was cut at the limit.
  bool Counted(std::int64_t count) {
    while (count > 0) {
      const std::int64_t room = Room();
      if (room < 0 || count <= room) {
        Move(count);
        return true;
      }
      Move(room);
      count -= room;
      if (!Overflowed()) return false;
    }
    return true;
  }

  // Everything until the peer closes.
  void UntilClose() {
    for (;;) {
      const std::int64_t room = Room();
      if (room < 0) {
        if (Target != nullptr)
          Handler.ReadStream(*Target, -1, true);
        else
          Handler.DiscardAll();
        return;
      }
      try {
        Move(room);
      } catch (const EIdConnClosedGracefully&) {
        return;  // the close before the limit ends the body
      }
      // At the limit: the body goes on only when more arrives before the close. A body that
      // stops short of the close is not complete: the wait ends as any read does, in a time-out.
      if (Handler.InputBufferIsEmpty() && !Handler.CheckForDataOnSource(IdTimeoutDefault)) {
        if (!Handler.ClosedGracefully()) throw EIdReadTimeout();
        return;
      }
      if (!Overflowed()) return;
    }
  }
};

TIdHTTPProtocol::TIdHTTPProtocol(TIdCustomHTTP& http) : FHTTP(http), FResponse(http) {}

void TIdHTTPProtocol::RetrieveHeaders(int maxHeaderCount) {
  FResponse.RawHeaders().Clear();
  FResponse.MetaHTTPEquiv().Clear();
  int taken = 0;
  // A close before the empty line that ends the head is an error of its own: the head is cut.
  String line = FHTTP.ReadResponseLine();
  while (!line.empty()) {
    if (maxHeaderCount > 0 && taken >= maxHeaderCount) throw EIdHTTPBrokenResponse(SIdHTTPTooManyHeaderLines);
    FResponse.RawHeaders().Add(line);
    ++taken;
    line = FHTTP.ReadResponseLine();
  }
  FResponse.ProcessHeaders();
}

bool TIdHTTPProtocol::ResponseHasBody() {
  FBodyLeftUnread = false;
  const bool chunked = IsChunked(FResponse);
  if (!chunked && FResponse.HasContentLength() && FResponse.ContentLength() == 0) return false;
  TIdIOHandler* const handler = FHTTP.IOHandler();
  const auto dataWithin = [handler](int milliseconds) {
    return handler != nullptr &&
           (!handler->InputBufferIsEmpty() || handler->CheckForDataOnSource(milliseconds));
  };
  const int code = FResponse.ResponseCode();
  const bool head = SameText(FRequest.Method(), u"HEAD") || SameText(FRequest.MethodOverride(), u"HEAD");
  if (head || (code >= 100 && code < 200) || code == 204 || code == 304) {
    if (FHTTP.HTTPOptions().Contains(TIdHTTPOption::hoWaitForUnexpectedData)) return dataWithin(100);
    // What follows an interim head that ends the request is not this response's.
    if (code >= 100 && code < 200) FBodyLeftUnread = true;
    return false;
  }
  if (code >= 300 && code < 400) {
    if (dataWithin(5000)) return true;
    FBodyLeftUnread = true;
    return false;
  }
  return true;
}

void TIdHTTPProtocol::ReadResponseBody() {
  if (!ResponseHasBody()) {
    FResponse.FComplete = !FBodyLeftUnread;
    return;
  }
  TIdIOHandler& handler = *FHTTP.IOHandler();
  TStream* const caller = FResponse.ContentStream();
  const String media = MediaType(FResponse.ContentType());
  bool scan = caller != nullptr &&
              (SameText(media, u"text/html") || SameText(media, u"text/html-sandboxed")) &&
              !FHTTP.HTTPOptions().Contains(TIdHTTPOption::hoNoParseMetaHTTPEquiv);

  TBodySink sink{handler};
  sink.Target = caller;
  std::unique_ptr<TMemoryStream> held;
  if (FReadingErrorBody) {
    sink.Limit = FHTTP.MaxErrorBodySize();
    sink.OnOverflow = TBodySink::Overflow::Cut;
  } else if (caller != nullptr && caller == FHTTP.FInMemoryBody) {
    sink.Limit = FHTTP.MaxInMemoryBodySize();
    sink.OnOverflow = TBodySink::Overflow::Fail;
  } else if (scan && dynamic_cast<TMemoryStream*>(caller) == nullptr) {
    // The body is held until complete, for the scan; beyond the limit it streams on.
    held = std::make_unique<TMemoryStream>();
    sink.Target = held.get();
    sink.Held = held.get();
    sink.Limit = FHTTP.MaxInMemoryBodySize();
    sink.OnOverflow = TBodySink::Overflow::Spill;
    sink.SpillTo = caller;
  }
  bool complete = true;
  try {
    if (IsChunked(FResponse)) {
      ReadChunkedBody(sink);
    } else if (FResponse.ContentLength() > 0) {
      sink.Counted(FResponse.ContentLength());
    } else if (!FResponse.HasContentLength()) {
      sink.UntilClose();
      complete = false;  // the close that ended the body ends the connection too
    }
  } catch (const EIdConnClosedGracefully&) {
    if (!FReadingErrorBody) throw;
    complete = false;  // an error page cut by a close still tells the status
  }
  if (sink.Cut) complete = false;

  if (scan && !sink.Spilled && sink.Target != nullptr) {
    const std::int64_t end = sink.Target->Position();
    ScanMetaHeaders(*sink.Target);
    sink.Target->SetPosition(end);
  }
  if (held && !sink.Spilled) {
    held->SetPosition(0);
    caller->CopyFrom(*held, 0);
  }
  FResponse.FComplete = complete;
}

void TIdHTTPProtocol::ScanMetaHeaders(TStream& stream) {
  TIdHeaderList lines(IdRawHeaderFoldLength);
  ScanHtmlMetaHeaders(stream, lines);
  if (lines.Count() == 0) return;
  TIdMetaHTTPEquiv& meta = FResponse.MetaHTTPEquiv();
  meta.RawHeaders().Clear();
  for (const String& line : lines.Lines()) meta.RawHeaders().Add(line);
  meta.ProcessHeaders();
}

std::int64_t TIdHTTPProtocol::ReadChunkSize() {
  const String line = FHTTP.ReadResponseLine();
  const String digits = TrimText(StringView(line).substr(0, line.find(u';')));
  if (digits.empty()) throw EIdHTTPBrokenResponse(SIdHTTPBadChunkSize);
  std::uint64_t size = 0;
  for (const char16_t c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) throw EIdHTTPBrokenResponse(SIdHTTPBadChunkSize);
    // Sizes from 2^63 on cannot be a chunk that arrives.
    if (size > (std::uint64_t{1} << 59) - 1) throw EIdHTTPBrokenResponse(SIdHTTPBadChunkSize);
    size = size * 16 + static_cast<std::uint64_t>(digit);
  }
  return static_cast<std::int64_t>(size);
}

void TIdHTTPProtocol::ReadChunkedBody(TBodySink& sink) {
  FHTTP.NotifyStatus(TIdStatus::hsStatusText, {String(u"Chunk gestartet")});
  const TIdWorkScope work(FHTTP, TWorkMode::wmRead);
  std::int64_t size = ReadChunkSize();
  while (size != 0) {
    if (!sink.Counted(size)) return;
    if (!FHTTP.ReadResponseLine().empty()) throw EIdHTTPBrokenResponse(SIdHTTPChunkNotTerminated);
    size = ReadChunkSize();
  }
  int trailers = 0;
  String line = FHTTP.ReadResponseLine();
  while (!line.empty()) {
    const int maxLines = FHTTP.MaxHeaderLines();
    if (maxLines > 0 && trailers >= maxLines) throw EIdHTTPBrokenResponse(SIdHTTPTooManyTrailerLines);
    FResponse.RawHeaders().Add(line);
    ++trailers;
    line = FHTTP.ReadResponseLine();
  }
}

void TIdHTTPProtocol::SkipResponseBody() {
  StreamSwap swap(FResponse, nullptr);
  ReadResponseBody();
}

void TIdHTTPProtocol::FailOrIgnoreStatus(const std::vector<int>& ignoredStatusCodes) {
  TMemoryStream body;
  {
    StreamSwap swap(FResponse, &body);
    FReadingErrorBody = true;
    RunThenCleanUp([this] { ReadResponseBody(); }, [this] { FReadingErrorBody = false; });
  }
  const int code = FResponse.ResponseCode();
  if (Contains(ignoredStatusCodes, code)) return;
  body.SetPosition(0);
  const String charset = ResponseTextCharset(FResponse.ContentType(), FResponse.CharSet(),
                                             FResponse.MetaHTTPEquiv().CharSet(), body);
  const String text = DecodeStreamText(body, charset);
  throw EIdHTTPProtocolException::CreateError(code, FResponse.ResponseText(), text);
}

TIdHTTPResponseAction TIdHTTPProtocol::DecideResponse(const std::vector<int>& ignoredStatusCodes) {
  if (FHTTP.OnHeadersAvailable) {
    bool continue_ = true;
    FHTTP.OnHeadersAvailable(FHTTP, FResponse.RawHeaders(), continue_);
    if (!continue_) return TIdHTTPResponseAction::raDone;
  }
  const int code = FResponse.ResponseCode();
  const int statusClass = code / 100;

  if (statusClass == 3 && code != 304) {
    if (FResponse.Location().empty()) {
      FailOrIgnoreStatus(ignoredStatusCodes);
      return TIdHTTPResponseAction::raDone;
    }
    ++FHTTP.FRedirectCount;
    String location = FResponse.Location();
    String method = FRequest.Method();
    if (!FHTTP.RedirectAllowed(location, method, FHTTP.FRedirectCount)) {
      FailOrIgnoreStatus(ignoredStatusCodes);
      return TIdHTTPResponseAction::raDone;
    }
    TIdHTTPResponseAction action = TIdHTTPResponseAction::raDone;
    if (FHTTP.HandleRedirects() && FHTTP.FRedirectCount < FHTTP.RedirectMaximum()) {
      FRequest.SetURL(location);
      FRequest.SetMethod(method);
      FRequest.SetMethodOverride(String());
      action = TIdHTTPResponseAction::raFollow;
    } else {
      FResponse.SetLocation(location);
    }
    if (FHTTP.Connected())
      SkipResponseBody();
    else
      FResponse.FComplete = false;
    return action;
  }

  bool needAuth = false;
  if (statusClass == 2) {
    // delivered below
  } else if (code == 401) {
    if (FHTTP.FAuthRetries >= FHTTP.MaxAuthRetries() || !FHTTP.PrepareAuthorization()) {
      if (FRequest.Authentication() != nullptr) FRequest.Authentication()->Reset();
      FailOrIgnoreStatus(ignoredStatusCodes);
      return TIdHTTPResponseAction::raDone;
    }
    needAuth = FHTTP.HTTPOptions().Contains(TIdHTTPOption::hoInProcessAuth);
    // A challenge is never delivered as the result: without retrying in process it is an error.
    if (!needAuth) {
      FailOrIgnoreStatus(ignoredStatusCodes);
      return TIdHTTPResponseAction::raDone;
    }
  } else if (code == 407) {
    if (FHTTP.FAuthProxyRetries >= FHTTP.MaxAuthRetries() || !FHTTP.PrepareProxyAuthorization()) {
      if (FHTTP.ProxyParams().Authentication() != nullptr) FHTTP.ProxyParams().Authentication()->Reset();
      FailOrIgnoreStatus(ignoredStatusCodes);
      return TIdHTTPResponseAction::raDone;
    }
    needAuth = FHTTP.HTTPOptions().Contains(TIdHTTPOption::hoInProcessAuth);
    if (!needAuth) {
      FailOrIgnoreStatus(ignoredStatusCodes);
      return TIdHTTPResponseAction::raDone;
    }
  } else {
    FailOrIgnoreStatus(ignoredStatusCodes);
    return TIdHTTPResponseAction::raDone;
  }

  if (needAuth) {
    SkipResponseBody();
    return TIdHTTPResponseAction::raAuthRetry;
  }
  if (SameText(FRequest.Method(), u"HEAD") || SameText(FRequest.MethodOverride(), u"HEAD") || code == 204) {
    SkipResponseBody();
  } else {
    FHTTP.ArmReadDeadline(false);
    ReadResponseBody();
  }
  return TIdHTTPResponseAction::raDone;
}
