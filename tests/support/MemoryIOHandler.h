#ifndef FENDREL_SUPPORT_MEMORYIOHANDLER_H
#define FENDREL_SUPPORT_MEMORYIOHANDLER_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "net/IdException.h"
#include "net/IdIOHandler.h"

namespace testsupport {

// A handler whose peer is a fixed run of bytes in memory: every receive hands out the next
// piece (sizes cycle through PieceSizes; the whole receive area when none are given), and
// after the last byte the peer counts as closed. Input is always ready, so no read waits.
// Everything sent is kept in Sent. Opening again does not rewind: a second connection finds
// a peer that closes at once.
class MemoryIOHandler : public TIdIOHandler {
 public:
  MemoryIOHandler(const std::uint8_t* data, std::size_t size) : FData(data, data + size) {}

  std::vector<int> PieceSizes;
  std::vector<std::uint8_t> Sent;
  int Opens = 0;

  void Open() override {
    TIdIOHandler::Open();
    FSocket = true;
    ++Opens;
  }
  void Close() override {
    FSocket = false;
    TIdIOHandler::Close();
  }
  bool Connected() override {
    CheckForDisconnect(false, false);
    return !InputBufferIsEmpty() || (HasSocket() && Opened() && !ClosedGracefully());
  }
  void CheckForDisconnect(bool raiseExceptionIfDisconnected = true, bool ignoreBuffer = false) override {
    bool disconnected = !HasSocket();
    if (ClosedGracefully()) {
      if (HasSocket()) Close();
      disconnected = true;
    }
    if (disconnected && (ignoreBuffer || InputBufferIsEmpty()) && raiseExceptionIfDisconnected)
      throw EIdConnClosedGracefully();
  }
  bool Readable(int /*msec*/) override { return HasSocket(); }

  // The bytes the client has not received yet.
  std::size_t Unread() const { return FData.size() - FPosition; }

 protected:
  int ReceiveChunk(TIdBytes& buffer) override {
    std::size_t count = std::min(buffer.size(), FData.size() - FPosition);
    if (!PieceSizes.empty()) {
      const int piece = std::max(PieceSizes[FPiece++ % PieceSizes.size()], 1);
      count = std::min(count, static_cast<std::size_t>(piece));
    }
    if (count > 0) std::memcpy(buffer.data(), FData.data() + FPosition, count);
    FPosition += count;
    return static_cast<int>(count);
  }
  int SendChunk(const TIdBytes& buffer, int offset, int length) override {
    Sent.insert(Sent.end(), buffer.begin() + offset, buffer.begin() + offset + length);
    return length;
  }
  bool HasSocket() const override { return FSocket; }

 private:
  std::vector<std::uint8_t> FData;
  std::size_t FPosition = 0;
  std::size_t FPiece = 0;
  bool FSocket = false;
};

}  // namespace testsupport

#endif
