#ifndef FENDREL_NET_IDIOHANDLER_H
#define FENDREL_NET_IDIOHANDLER_H

#include <cstdint>
#include <functional>
#include <memory>

#include "core/Stream.h"
#include "core/String.h"
#include "net/IdBuffer.h"
#include "net/IdComponent.h"
#include "net/IdGlobal.h"

enum class TIdMaxLineAction { maException, maSplit };

// Time-out values of the connection layer: a positive number is milliseconds.
inline constexpr int IdTimeoutDefault = -1;   // the object's default (ReadTimeout for a receive)
inline constexpr int IdTimeoutInfinite = -2;  // no limit

// The buffered I/O handler: turns the connection's unframed byte stream into lines, counted
// runs, stream copies and skips, and writes text, bytes and streams, optionally held in a write
// buffer until complete. Received bytes wait in the input buffer, so a read never loses what
// arrived beyond what it asked for, and a close of the peer is reported only once the bytes
// received before it have been consumed by the operations that can consume them.
//
// The concrete handler supplies the primitives: receive once, send once, wait for input,
// whether a socket is allocated, and the close rule (CheckForDisconnect).
class TIdIOHandler : public TIdComponent {
 public:
  TIdIOHandler();
  ~TIdIOHandler() override;

  // --- Opening and state -----------------------------------------------------------------

  // Clears the flags and both buffers and marks the handler open.
  virtual void Open();
  // Marks the handler closed and empties the write buffer; unread input stays readable.
  virtual void Close();
  virtual bool Connected();
  // Raises EIdConnClosedGracefully when the connection is gone and, unless ignoreBuffer is
  // set, no unread input is left.
  virtual void CheckForDisconnect(bool raiseExceptionIfDisconnected = true, bool ignoreBuffer = false) = 0;
  // Whether input arrives within the time (-1: ReadTimeout); raises on neither a time-out nor a close.
  virtual bool CheckForDataOnSource(int timeout = 0);
  // Waits up to msec for input; this handler has no source and says no.
  virtual bool Readable(int msec = IdTimeoutDefault);
  bool InputBufferIsEmpty() const { return FInputBuffer.Size() == 0; }

  // --- Reading -----------------------------------------------------------------------------

  // One line up to the terminator (LF when empty), without the terminator; with the LF
  // terminator a CR before it is dropped too. Returns the empty text on a time-out with
  // ReadLnTimedout set; a time-out of -1 with a positive ReadTimeout raises EIdReadTimeout.
  // A line longer than maxLineLength (-1: MaxLineLength) raises EIdReadLnMaxLineLengthExceeded
  // or, with maSplit, comes back in pieces of that length with ReadLnSplit set.
  virtual String ReadLn(const String& terminator = u"\n", int timeout = IdTimeoutDefault,
                        int maxLineLength = -1, const TIdTextEncoding* byteEncoding = nullptr);
  // count bytes into buffer (after its content with append, else from index 0); a negative
  // count takes whatever one receive brings.
  virtual void ReadBytes(TIdBytes& buffer, int count, bool append = true);
  // byteCount bytes into the stream at its position; with -1 (and not until disconnect)
  // the count is read from the connection first; a negative count or readUntilDisconnect
  // copies until the peer closes. The stream ends at the last byte written.
  virtual void ReadStream(TStream& stream, std::int64_t byteCount = -1, bool readUntilDisconnect = false);
  // Skips byteCount bytes.
  void Discard(std::int64_t byteCount);
  // Skips everything until the peer closes.
  void DiscardAll();

  // --- Writing -----------------------------------------------------------------------------

  // length bytes (-1: all) from offset; held while write buffering is active.
  virtual void Write(const TIdBytes& buffer, int length = -1, int offset = 0);
  // The text encoded (with DefStringEncoding when none is given); nothing for empty text.
  virtual void Write(const String& out, const TIdTextEncoding* byteEncoding = nullptr);
  // The text followed by CR LF.
  virtual void WriteLn(const String& out = String(), const TIdTextEncoding* byteEncoding = nullptr);
  // size bytes of the stream (0: all of it from the start; negative: from the position on),
  // in chunks of SendBufferSize, with the size in front when writeByteCount is set.
  virtual void Write(TStream& stream, std::int64_t size = 0, bool writeByteCount = false);
  // Sends the bytes now, past the write buffer.
  virtual void WriteDirect(const TIdBytes& buffer, int length = -1, int offset = 0);

  bool WriteBufferingActive() const { return FWriteBuffer != nullptr; }
  // Starts holding writes (or drops what is held); threshold -1 holds everything until flushed.
  void WriteBufferOpen(int threshold = -1);
  // Sends byteCount held bytes (-1: all).
  void WriteBufferFlush(int byteCount = -1);
  // Sends everything held and ends buffering, also when the send fails.
  void WriteBufferClose();
  // Drops everything held and ends buffering.
  void WriteBufferCancel();
  void WriteBufferClear();

  // --- Properties --------------------------------------------------------------------------

  // The target as host, colon and port; the socket-backed handler derives it from Host and Port.
  virtual String Destination() const { return FDestination; }
  virtual void SetDestination(const String& destination) { FDestination = destination; }
  const String& Host() const { return FHost; }
  virtual void SetHost(const String& host) { FHost = host; }
  int Port() const { return FPort; }
  virtual void SetPort(int port) { FPort = port; }
  int ConnectTimeout() const { return FConnectTimeout; }
  void SetConnectTimeout(int timeout) { FConnectTimeout = timeout; }
  int ReadTimeout() const { return FReadTimeout; }
  void SetReadTimeout(int timeout) { FReadTimeout = timeout; }
  // An absolute limit for every wait for input, on top of the time-out of each receive: the
  // milliseconds from the tick count startTicks on. Once it has passed, a read raises
  // EIdReadTimeout (or reports a time-out where the read does not raise). Off by default.
  void SetReadDeadline(std::uint32_t startTicks, std::uint32_t milliseconds);
  void ClearReadDeadline() { FReadDeadlineActive = false; }
  bool ReadDeadlineActive() const { return FReadDeadlineActive; }
  // While a read waits for input, OnWaiting is called each time WaitInterval milliseconds have
  // passed without any, so the caller's thread can attend to other things; it may raise to end
  // the read, and the exception then leaves the read. Without a handler, or with an interval of
  // 0 or less, a wait is one wait. The time-outs and the read deadline are kept as they are.
  int WaitInterval() const { return FWaitInterval; }
  void SetWaitInterval(int milliseconds) { FWaitInterval = milliseconds; }
  std::function<void(TIdIOHandler& sender)> OnWaiting;
  bool LargeStream() const { return FLargeStream; }
  void SetLargeStream(bool largeStream) { FLargeStream = largeStream; }
  bool ClosedGracefully() const { return FClosedGracefully; }
  bool Opened() const { return FOpened; }
  TIdBuffer& InputBuffer() { return FInputBuffer; }
  const TIdBuffer& InputBuffer() const { return FInputBuffer; }
  TIdMaxLineAction MaxLineAction() const { return FMaxLineAction; }
  void SetMaxLineAction(TIdMaxLineAction action) { FMaxLineAction = action; }
  int MaxLineLength() const { return FMaxLineLength; }
  void SetMaxLineLength(int length) { FMaxLineLength = length; }
  bool ReadLnSplit() const { return FReadLnSplit; }
  bool ReadLnTimedout() const { return FReadLnTimedOut; }
  int RecvBufferSize() const { return FRecvBufferSize; }
  void SetRecvBufferSize(int size) { FRecvBufferSize = size; }
  int SendBufferSize() const { return FSendBufferSize; }
  void SetSendBufferSize(int size) { FSendBufferSize = size; }
  int WriteBufferThreshold() const { return FWriteBufferThreshold; }
  void SetWriteBufferThreshold(int threshold) { FWriteBufferThreshold = threshold; }
  const TIdTextEncoding* DefStringEncoding() const { return FDefStringEncoding; }
  void SetDefStringEncoding(const TIdTextEncoding* encoding) { FDefStringEncoding = encoding; }

  // The most a counted stream read sizes its target for in advance; beyond that the stream
  // grows as the bytes arrive, so a count announced by the peer never allocates by itself.
  static constexpr std::int64_t MaxStreamPreSize = std::int64_t{4} * 1024 * 1024;

 protected:
  // The one place that waits for and receives data. Returns the number of bytes added to the
  // input buffer, 0 when the peer closed or there is no socket, -1 on a time-out not raised.
  int FillInputBuffer(bool raiseExceptionIfDisconnected, int timeout, bool raiseExceptionOnTimeout);

  // Receives once into the whole array; 0 when the peer has closed.
  virtual int ReceiveChunk(TIdBytes& buffer) = 0;
  // Sends length bytes from offset once; returns the count sent.
  virtual int SendChunk(const TIdBytes& buffer, int offset, int length) = 0;
  virtual bool HasSocket() const = 0;

  void SetClosedGracefully(bool closed) { FClosedGracefully = closed; }
  // Shortens the wait of a receive to what is left before the read deadline; false when the
  // deadline has passed already.
  bool ApplyReadDeadline(int& timeout) const;

 private:
  // Waits until the input buffer holds count bytes; raises when the peer closes first.
  void WaitForInput(int count);
  // Readable, in slices of WaitInterval with OnWaiting between them when one is assigned.
  bool ReadableInSlices(int timeout);

  bool FLargeStream = false;
  bool FClosedGracefully = false;
  int FConnectTimeout = 0;
  String FDestination;
  String FHost;
  TIdBuffer FInputBuffer;
  TIdMaxLineAction FMaxLineAction = TIdMaxLineAction::maException;
  int FMaxLineLength = 16384;
  bool FOpened = false;
  int FPort = 0;
  bool FReadLnSplit = false;
  bool FReadLnTimedOut = false;
  int FReadTimeout = IdTimeoutDefault;
  bool FReadDeadlineActive = false;
  std::uint32_t FReadDeadlineStart = 0;
  std::uint32_t FReadDeadlineLength = 0;
  int FWaitInterval = 0;
  int FRecvBufferSize = 32768;
  int FSendBufferSize = 32768;
  std::unique_ptr<TIdBuffer> FWriteBuffer;
  int FWriteBufferThreshold = 0;
  const TIdTextEncoding* FDefStringEncoding;
  // Reused receive area of RecvBufferSize bytes.
  TIdBytes FReceiveArea;
};

#endif
