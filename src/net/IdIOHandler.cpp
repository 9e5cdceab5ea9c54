#include "net/IdIOHandler.h"

#include <algorithm>
#include <limits>

#include "core/CleanUp.h"
#include "net/IdException.h"

namespace {

constexpr std::uint8_t CR = 13;

std::int64_t DecodeBigEndian(const TIdBytes& bytes) {
  std::uint64_t value = 0;
  for (const std::uint8_t b : bytes) value = (value << 8) | b;
  if (bytes.size() == 4) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  return static_cast<std::int64_t>(value);
}

TIdBytes EncodeBigEndian(std::uint64_t value, int width) {
  TIdBytes bytes(static_cast<std::size_t>(width));
  for (int i = width - 1; i >= 0; --i) {
    bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
    value >>= 8;
  }
  return bytes;
}

// The number of bytes to write from offset: everything for a negative length, never more
// than the array holds; 0 for an offset outside the array.
int WritableLength(const TIdBytes& buffer, int length, int offset) {
  if (offset < 0 || static_cast<std::size_t>(offset) >= buffer.size()) return 0;
  const int available = static_cast<int>(buffer.size()) - offset;
  return length < 0 ? available : std::min(length, available);
}

}  // namespace

TIdIOHandler::TIdIOHandler()
    : FInputBuffer([this](TIdBuffer&, std::int32_t bytes) { DoWork(TWorkMode::wmRead, bytes); }),
      FDefStringEncoding(&IdASCIIEncoding()) {}

TIdIOHandler::~TIdIOHandler() = default;

// --- Opening and state ---------------------------------------------------------------------

void TIdIOHandler::Open() {
  FOpened = false;
  FClosedGracefully = false;
  WriteBufferClear();
  FInputBuffer.Clear();
  FOpened = true;
}

void TIdIOHandler::Close() {
  FOpened = false;
  WriteBufferClear();
}

bool TIdIOHandler::Connected() {
  return !InputBufferIsEmpty() || (HasSocket() && FOpened && !FClosedGracefully);
}

bool TIdIOHandler::Readable(int /*msec*/) {
  return false;
}

int TIdIOHandler::FillInputBuffer(bool raiseExceptionIfDisconnected, int timeout,
                                  bool raiseExceptionOnTimeout) {
  if (timeout == IdTimeoutDefault) {
    timeout = FReadTimeout;
    if (timeout == IdTimeoutDefault || timeout == 0) timeout = IdTimeoutInfinite;
  }
  CheckForDisconnect(raiseExceptionIfDisconnected, false);
  if (!HasSocket()) {
    if (raiseExceptionIfDisconnected) throw EIdException(SIdNotConnected);
    return 0;
  }
  for (;;) {
    int wait = timeout;
    if (!ApplyReadDeadline(wait) || !ReadableInSlices(wait)) {
      if (raiseExceptionOnTimeout) throw EIdReadTimeout();
      return -1;
    }
    int received = 0;
    if (FOpened) {
      if (HasSocket()) {
        const std::size_t room = static_cast<std::size_t>(std::max(FRecvBufferSize, 1));
        if (FReceiveArea.size() != room) FReceiveArea.assign(room, 0);
        received = ReceiveChunk(FReceiveArea);
        if (received > 0) FInputBuffer.Write(FReceiveArea.data(), received);
      } else if (raiseExceptionIfDisconnected) {
        throw EIdClosedSocket();
      }
    } else if (raiseExceptionIfDisconnected) {
      throw EIdNotConnected();
    }
    if (received == 0) FClosedGracefully = true;
    CheckForDisconnect(raiseExceptionIfDisconnected, false);
    if (received > 0) return received;
    if (!HasSocket()) return 0;
  }
}

bool TIdIOHandler::ReadableInSlices(int timeout) {
  // A poll stays one poll.
  if (!OnWaiting || FWaitInterval <= 0 || timeout == 0) return Readable(timeout);
  const std::uint32_t start = CurrentTicks();
  for (;;) {
    int slice = FWaitInterval;
    if (timeout > 0) {
      const std::uint32_t elapsed = TicksElapsed(start, CurrentTicks());
      if (elapsed >= static_cast<std::uint32_t>(timeout)) return false;
      slice = std::min(slice, timeout - static_cast<int>(elapsed));
    }
    if (Readable(slice)) return true;
    OnWaiting(*this);
  }
}

void TIdIOHandler::SetReadDeadline(std::uint32_t startTicks, std::uint32_t milliseconds) {
  FReadDeadlineActive = true;
  FReadDeadlineStart = startTicks;
  FReadDeadlineLength = milliseconds;
}

bool TIdIOHandler::ApplyReadDeadline(int& timeout) const {
  // A poll (no wait) never meets the deadline.
  if (!FReadDeadlineActive || timeout == 0) return true;
  const std::uint32_t elapsed = TicksElapsed(FReadDeadlineStart, CurrentTicks());
  if (elapsed >= FReadDeadlineLength) return false;
  const std::uint32_t left = FReadDeadlineLength - elapsed;
  const int capped = left > static_cast<std::uint32_t>(std::numeric_limits<int>::max())
                         ? std::numeric_limits<int>::max()
                         : static_cast<int>(left);
  if (timeout < 0 || timeout > capped) timeout = capped;
  return true;
}

bool TIdIOHandler::CheckForDataOnSource(int timeout) {
  const std::int32_t before = FInputBuffer.Size();
  if (!Connected()) return false;
  if (FInputBuffer.Size() > before) return true;
  return FillInputBuffer(false, timeout, false) > 0;
}

// --- Reading -------------------------------------------------------------------------------

String TIdIOHandler::ReadLn(const String& terminator, int timeout, int maxLineLength,
                            const TIdTextEncoding* byteEncoding) {
  const TIdTextEncoding& encoding = EncodingOrDefault(byteEncoding, FDefStringEncoding);
  if (maxLineLength < 0) maxLineLength = FMaxLineLength;
  const String effectiveTerminator = terminator.empty() ? String(u"\n") : terminator;
  const bool lineFeed = effectiveTerminator == u"\n";
  const TIdBytes terminatorBytes = encoding.GetBytes(effectiveTerminator);
  const std::int32_t terminatorLength = static_cast<std::int32_t>(terminatorBytes.size());

  FReadLnSplit = false;
  FReadLnTimedOut = false;
  const std::uint32_t startTicks = CurrentTicks();
  std::int32_t found = -1;
  std::int32_t searchStart = 0;
  do {
    const std::int32_t size = FInputBuffer.Size();
    if (size > 0) {
      found = searchStart < size ? FInputBuffer.IndexOf(terminatorBytes, searchStart) : -1;
      searchStart = std::max(0, size - (terminatorLength - 1));
    }
    // Once more than the limit has been searched without a terminator, the line can only end
    // beyond the limit: give up now instead of buffering an endless line.
    const bool tooLong =
        maxLineLength > 0 && (found > maxLineLength || (found < 0 && searchStart > maxLineLength));
    if (tooLong) {
      if (FMaxLineAction == TIdMaxLineAction::maException) throw EIdReadLnMaxLineLengthExceeded();
      FReadLnSplit = true;
      return FInputBuffer.ExtractToString(maxLineLength, &encoding);
    }
    if (found < 0) {
      CheckForDisconnect(true, true);
      bool timedOut = FillInputBuffer(true, timeout, timeout == IdTimeoutDefault) == -1;
      if (!timedOut && timeout >= 0)
        timedOut = static_cast<std::int64_t>(TicksElapsed(startTicks, CurrentTicks())) >= timeout;
      if (timedOut) {
        FReadLnTimedOut = true;
        return String();
      }
    }
  } while (found < 0);

  TIdBytes line;
  FInputBuffer.ExtractToBytes(line, found + terminatorLength, false);
  std::int32_t length = found;
  if (lineFeed && length > 0 && line[static_cast<std::size_t>(length - 1)] == CR) --length;
  return encoding.GetString(line.data(), static_cast<std::size_t>(length));
}

void TIdIOHandler::WaitForInput(int count) {
  while (FInputBuffer.Size() < count) {
    if (FillInputBuffer(false, IdTimeoutDefault, true) > 0 && FInputBuffer.Size() >= count) break;
    CheckForDisconnect(true, true);
  }
}

void TIdIOHandler::ReadBytes(TIdBytes& buffer, int count, bool append) {
  if (count == 0) return;
  if (count > 0) {
    WaitForInput(count);
    FInputBuffer.ExtractToBytes(buffer, count, append);
    return;
  }
  // The object's default: a ReadTimeout of 0 waits without limit here as everywhere else;
  // only an explicit 0 passed to a wait polls.
  FillInputBuffer(false, IdTimeoutDefault, false);
  CheckForDisconnect(true, true);
  FInputBuffer.ExtractToBytes(buffer, -1, append);
}

void TIdIOHandler::ReadStream(TStream& stream, std::int64_t byteCount, bool readUntilDisconnect) {
  std::int64_t count = byteCount;
  if (count == -1 && !readUntilDisconnect) {
    TIdBytes announced;
    ReadBytes(announced, FLargeStream ? 8 : 4, false);
    count = DecodeBigEndian(announced);
  }
  if (count >= 0) {
    const std::int64_t position = stream.Position();
    if (count > std::numeric_limits<std::int64_t>::max() - position) throw EIdIOHandlerStreamDataTooLarge();
    // Sized once in advance, but never by more than a bounded amount: the count comes from
    // the peer, and the stream grows as the bytes really arrive.
    stream.SetSize(position + std::min(count, MaxStreamPreSize));
    if (stream.Position() != position) stream.SetPosition(position);
  } else {
    readUntilDisconnect = true;
  }

  const auto transfer = [&] {
    const TIdWorkScope work(*this, TWorkMode::wmRead, readUntilDisconnect ? 0 : count);
    if (FInputBuffer.Size() > 0) {
      const std::int32_t take =
          readUntilDisconnect ? FInputBuffer.Size()
                              : static_cast<std::int32_t>(std::min<std::int64_t>(count, FInputBuffer.Size()));
      FInputBuffer.ExtractToStream(stream, take);
      if (!readUntilDisconnect) count -= take;
    }
    const std::int64_t chunkLength = std::max(FRecvBufferSize, 1);
    for (;;) {
      const int size = static_cast<int>(readUntilDisconnect ? chunkLength : std::min(count, chunkLength));
      if (size < 1) break;
      // Each chunk goes straight from the input buffer to the stream. On a failure the bytes
      // that did arrive still go to the stream before the failure continues.
      const auto takeArrived = [&] {
        const int taken = std::min(size, static_cast<int>(FInputBuffer.Size()));
        FInputBuffer.ExtractToStream(stream, taken);
        if (!readUntilDisconnect) count -= taken;
      };
      try {
        WaitForInput(size);
      } catch (const EIdConnClosedGracefully&) {
        takeArrived();
        if (readUntilDisconnect) break;
        throw;
      } catch (...) {
        takeArrived();
        throw;
      }
      takeArrived();
    }
  };
  // Once the work has ended, a pre-sized stream that got fewer bytes ends at the last byte
  // written, also when the read failed.
  RunThenCleanUp(transfer, [&stream] {
    if (stream.Size() > stream.Position()) stream.SetSize(stream.Position());
  });
}

void TIdIOHandler::Discard(std::int64_t byteCount) {
  if (byteCount <= 0) return;
  const TIdWorkScope work(*this, TWorkMode::wmRead, byteCount);
  for (;;) {
    if (FInputBuffer.Size() > 0) {
      const std::int64_t capped = std::min<std::int64_t>(byteCount, std::numeric_limits<std::int32_t>::max());
      const std::int32_t n = static_cast<std::int32_t>(std::min<std::int64_t>(capped, FInputBuffer.Size()));
      FInputBuffer.Remove(n);
      byteCount -= n;
      if (byteCount < 1) break;
    }
    if (FillInputBuffer(false, IdTimeoutDefault, true) <= 0) CheckForDisconnect(true, true);
  }
}

void TIdIOHandler::DiscardAll() {
  const TIdWorkScope work(*this, TWorkMode::wmRead, 0);
  try {
    FInputBuffer.Clear();
    for (;;) {
      if (FillInputBuffer(false, IdTimeoutDefault, true) > 0)
        FInputBuffer.Clear();
      else
        CheckForDisconnect(true, true);
    }
  } catch (const EIdConnClosedGracefully&) {
    FInputBuffer.Clear();
  } catch (...) {
    FInputBuffer.Clear();
    throw;
  }
}

// --- Writing -------------------------------------------------------------------------------

void TIdIOHandler::Write(const TIdBytes& buffer, int length, int offset) {
  length = WritableLength(buffer, length, offset);
  if (length < 1) return;
  if (!FWriteBuffer) {
    WriteDirect(buffer, length, offset);
    return;
  }
  FWriteBuffer->Write(buffer, length, -1, offset);
  if (FWriteBufferThreshold <= 0) return;
  while (FWriteBuffer && FWriteBuffer->Size() >= FWriteBufferThreshold)
    WriteBufferFlush(FWriteBufferThreshold);
}

void TIdIOHandler::Write(const String& out, const TIdTextEncoding* byteEncoding) {
  if (out.empty()) return;
  Write(EncodingOrDefault(byteEncoding, FDefStringEncoding).GetBytes(out));
}

void TIdIOHandler::WriteLn(const String& out, const TIdTextEncoding* byteEncoding) {
  Write(out + u"\r\n", byteEncoding);
}

void TIdIOHandler::Write(TStream& stream, std::int64_t size, bool writeByteCount) {
  if (size == 0) {
    stream.SetPosition(0);
    size = stream.Size();
  } else if (size < 0) {
    size = stream.Size() - stream.Position();
  }
  if (writeByteCount) {
    if (FLargeStream) {
      Write(EncodeBigEndian(static_cast<std::uint64_t>(size), 8));
    } else {
      if (size > std::numeric_limits<std::int32_t>::max()) throw EIdIOHandlerRequiresLargeStream();
      Write(EncodeBigEndian(static_cast<std::uint64_t>(size), 4));
    }
  }
  const TIdWorkScope work(*this, TWorkMode::wmWrite, size);
  TIdBytes chunk;
  while (size > 0) {
    const std::int64_t want = std::min<std::int64_t>(size, std::max(FSendBufferSize, 1));
    chunk.resize(static_cast<std::size_t>(want));
    const std::int64_t got = stream.Read(chunk.data(), want);
    if (got <= 0) throw EIdNoDataToRead();
    Write(chunk, static_cast<int>(got));
    size -= got;
  }
}

void TIdIOHandler::WriteDirect(const TIdBytes& buffer, int length, int offset) {
  // A peer that has closed fails every write, even with unread input.
  CheckForDisconnect(true, true);
  int position = offset;
  int remaining = WritableLength(buffer, length, offset);
  while (remaining > 0) {
    const int sent = SendChunk(buffer, position, remaining);
    if (sent == 0) FClosedGracefully = true;
    CheckForDisconnect(true, false);
    DoWork(TWorkMode::wmWrite, sent);
    position += sent;
    remaining -= sent;
  }
}

void TIdIOHandler::WriteBufferOpen(int threshold) {
  if (FWriteBuffer)
    FWriteBuffer->Clear();
  else
    FWriteBuffer = std::make_unique<TIdBuffer>();
  FWriteBufferThreshold = threshold;
}

void TIdIOHandler::WriteBufferFlush(int byteCount) {
  if (!FWriteBuffer || FWriteBuffer->Size() == 0) return;
  const std::int32_t count =
      byteCount < 0 ? FWriteBuffer->Size() : std::min<std::int32_t>(byteCount, FWriteBuffer->Size());
  TIdBytes bytes;
  FWriteBuffer->ExtractToBytes(bytes, count, false);
  WriteDirect(bytes);
}

void TIdIOHandler::WriteBufferClose() {
  RunThenCleanUp([this] { WriteBufferFlush(-1); }, [this] { FWriteBuffer.reset(); });
}

void TIdIOHandler::WriteBufferCancel() {
  WriteBufferClear();
  WriteBufferClose();
}

void TIdIOHandler::WriteBufferClear() {
  if (FWriteBuffer) FWriteBuffer->Clear();
}
