// The socket stack over Windows Sockets 2. The library WS2_32.DLL is loaded at run time
// and each function is looked up by name on its first call, so the program starts (and
// reports the failure in its own words) on a system where the library or a function is
// missing.

#include <winsock2.h>
// After the socket header, which must come before the system's main header.
#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <mutex>

#include "core/SysError.h"
#include "core/win32/WideText.h"
#include "net/IdException.h"
#include "net/IdSocketAddressing.h"
#include "net/IdStack.h"
#include "platform/win32/SystemLibrary.h"

const int Id_SOCK_STREAM = SOCK_STREAM;
const int Id_SOL_SOCKET = SOL_SOCKET;
const int Id_SO_TYPE = SO_TYPE;
const int Id_SO_REUSEADDR = SO_REUSEADDR;
const int Id_IPPROTO_TCP = IPPROTO_TCP;
const int Id_TCP_NODELAY = TCP_NODELAY;

namespace {

using idsocketaddressing::AddressFrom;
using idsocketaddressing::FamilyOf;
using idsocketaddressing::SocketAddress;

constexpr wchar_t kLibraryName[] = L"WS2_32.DLL";
constexpr char16_t kLibraryTitle[] = u"WS2_32.DLL";
constexpr int kNotInitialised = WSANOTINITIALISED;  // 10093
constexpr int kInvalidArgument = WSAEINVAL;         // 10022

// The loaded library and the optional address functions, for the whole process.
struct TWinsockLibrary {
  std::mutex Lock;
  HMODULE Module = nullptr;
  bool Started = false;
  HMODULE AddressModule = nullptr;  // where the address-info functions were found, when not in WS2_32
  bool IPv6FunctionsAvailable = false;

  ~TWinsockLibrary();
};

TWinsockLibrary& Library() {
  static TWinsockLibrary library;
  return library;
}

[[noreturn]] void RaiseStubError(int error, const String& title) {
  throw EIdWinsockStubError(error, title, error != 0 ? SysErrorMessage(error) : String());
}

// One entry of the function table: empty until its first call, which looks the function up
// by name in the loaded library and keeps its address.
template <typename Signature>
class TWinsockFunction;

template <typename Result, typename... Arguments>
class TWinsockFunction<Result(WINAPI*)(Arguments...)> {
 public:
  using Pointer = Result(WINAPI*)(Arguments...);
  explicit constexpr TWinsockFunction(const char* name) : FName(name) {}

  Result operator()(Arguments... arguments) { return Bound()(arguments...); }

  Pointer Bound() {
    Pointer function = FFunction;
    if (function != nullptr) return function;
    const HMODULE module = Library().Module;
    if (module == nullptr) RaiseStubError(kNotInitialised, Format(SIdWinsockCallError, {FromLatin1(FName)}));
    function = reinterpret_cast<Pointer>(reinterpret_cast<void*>(GetProcAddress(module, FName)));
    if (function == nullptr)
      RaiseStubError(kInvalidArgument, Format(SIdWinsockCallError, {FromLatin1(FName)}));
    // Two threads racing here both store the same address.
    FFunction = function;
    return function;
  }

 private:
  const char* FName;
  Pointer FFunction = nullptr;
};

using WSAStartupFunction = int(WINAPI*)(WORD, WSADATA*);
using WSACleanupFunction = int(WINAPI*)();
using SocketFunction = SOCKET(WINAPI*)(int, int, int);
using AddressFunction = int(WINAPI*)(SOCKET, const sockaddr*, int);
using SelectFunction = int(WINAPI*)(int, fd_set*, fd_set*, fd_set*, const timeval*);
using ReceiveFunction = int(WINAPI*)(SOCKET, char*, int, int);
using SendFunction = int(WINAPI*)(SOCKET, const char*, int, int);
using ShutdownFunction = int(WINAPI*)(SOCKET, int);
using ControlFunction = int(WINAPI*)(SOCKET, long, u_long*);
using CloseFunction = int(WINAPI*)(SOCKET);
using GetOptionFunction = int(WINAPI*)(SOCKET, int, int, char*, int*);
using SetOptionFunction = int(WINAPI*)(SOCKET, int, int, const char*, int);
using NameFunction = int(WINAPI*)(SOCKET, sockaddr*, int*);
using LastErrorFunction = int(WINAPI*)();
using HostByNameFunction = hostent*(WINAPI*)(const char*);
using GetAddrInfoFunction = int(WINAPI*)(const wchar_t*, const wchar_t*, const ADDRINFOW*, ADDRINFOW**);
using FreeAddrInfoFunction = void(WINAPI*)(ADDRINFOW*);
using GetNameInfoFunction = int(WINAPI*)(const sockaddr*, socklen_t, wchar_t*, DWORD, wchar_t*, DWORD, int);

struct TWinsockFunctions {
  TWinsockFunction<WSAStartupFunction> WSAStartup{"WSAStartup"};
  TWinsockFunction<WSACleanupFunction> WSACleanup{"WSACleanup"};
  TWinsockFunction<SocketFunction> socket{"socket"};
  TWinsockFunction<AddressFunction> bind{"bind"};
  TWinsockFunction<AddressFunction> connect{"connect"};
  TWinsockFunction<SelectFunction> select{"select"};
  TWinsockFunction<ReceiveFunction> recv{"recv"};
  TWinsockFunction<SendFunction> send{"send"};
  TWinsockFunction<ShutdownFunction> shutdown{"shutdown"};
  TWinsockFunction<CloseFunction> closesocket{"closesocket"};
  TWinsockFunction<ControlFunction> ioctlsocket{"ioctlsocket"};
  TWinsockFunction<GetOptionFunction> getsockopt{"getsockopt"};
  TWinsockFunction<SetOptionFunction> setsockopt{"setsockopt"};
  TWinsockFunction<NameFunction> getsockname{"getsockname"};
  TWinsockFunction<NameFunction> getpeername{"getpeername"};
  TWinsockFunction<LastErrorFunction> WSAGetLastError{"WSAGetLastError"};
  TWinsockFunction<HostByNameFunction> gethostbyname{"gethostbyname"};
  // Found when the stack starts (in WS2_32 or, on old systems, in Wship6.dll).
  GetAddrInfoFunction GetAddrInfoW = nullptr;
  FreeAddrInfoFunction FreeAddrInfoW = nullptr;
};

TWinsockFunctions& Winsock() {
  static TWinsockFunctions functions;
  return functions;
}

TWinsockLibrary::~TWinsockLibrary() {
  if (!Started) return;
  if (AddressModule != nullptr) FreeLibrary(AddressModule);
  const auto cleanup =
      reinterpret_cast<WSACleanupFunction>(reinterpret_cast<void*>(GetProcAddress(Module, "WSACleanup")));
  if (cleanup != nullptr) cleanup();
  FreeLibrary(Module);
}

template <typename F>
F Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loads the library from the system folder (no message box of the system for a missing
// file) and starts
// version 2.2.
void StartSocketInterface(TWinsockLibrary& library) {
  if (library.Module == nullptr) {
    DWORD error = 0;
    library.Module = platform::win32::LoadSystemLibrary(kLibraryName, &error);
    if (library.Module == nullptr)
      RaiseStubError(static_cast<int>(error), Format(SIdWinsockLoadError, {String(kLibraryTitle)}));
  }
  WSADATA data{};
  const int result = Winsock().WSAStartup(MAKEWORD(2, 2), &data);
  if (result != 0) {
    FreeLibrary(library.Module);
    library.Module = nullptr;
    RaiseStubError(result, Format(SIdWinsockLoadError, {String(kLibraryTitle)}));
  }
}

// The address-info functions count as available only when all three are there.
void LoadIPv6Functions(TWinsockLibrary& library) {
  HMODULE module = library.Module;
  auto getAddrInfo = Lookup<GetAddrInfoFunction>(module, "GetAddrInfoW");
  HMODULE extra = nullptr;
  if (getAddrInfo == nullptr) {
    extra = platform::win32::LoadSystemLibrary(L"Wship6.dll");
    if (extra == nullptr) return;
    module = extra;
    getAddrInfo = Lookup<GetAddrInfoFunction>(module, "GetAddrInfoW");
  }
  const auto getNameInfo = Lookup<GetNameInfoFunction>(module, "GetNameInfoW");
  const auto freeAddrInfo = Lookup<FreeAddrInfoFunction>(module, "FreeAddrInfoW");
  if (getAddrInfo == nullptr || getNameInfo == nullptr || freeAddrInfo == nullptr) {
    if (extra != nullptr) FreeLibrary(extra);
    return;
  }
  library.AddressModule = extra;
  Winsock().GetAddrInfoW = getAddrInfo;
  Winsock().FreeAddrInfoW = freeAddrInfo;
  library.IPv6FunctionsAvailable = true;
}

// The Windows Sockets number for an address-info result of the portable numbering; the
// Windows function reports socket error numbers, which pass unchanged.
int MapAddrInfoError(int result) {
  switch (result) {
    case 1:
      return 0;
    case 2:
      return 11002;
    case 3:
      return 10022;
    case 4:
      return 11003;
    case 5:
      return 10047;
    case 6:
      return 8;
    case 7:
      return 11004;
    case 8:
      return 11001;
    case 9:
      return 10109;
    case 10:
      return 10044;
    default:
      return result;
  }
}

SOCKET Native(TIdStackSocketHandle socket) {
  return static_cast<SOCKET>(socket);
}

// Whether select left the socket in the set (the header's test of a set calls into the
// library, which is not linked).
bool InSet(const fd_set& set, SOCKET socket) {
  return std::find(set.fd_array, set.fd_array + set.fd_count, socket) != set.fd_array + set.fd_count;
}

class TIdStackWindows final : public TIdStack {
 public:
  TIdStackWindows() {
    TWinsockLibrary& library = Library();
    const std::lock_guard<std::mutex> lock(library.Lock);
    if (library.Started) return;
    try {
      StartSocketInterface(library);
      LoadIPv6Functions(library);
    } catch (const Exception& e) {
      throw EIdStackInitializationFailed(e.Message());
    }
    library.Started = true;
  }

  String LookupHostName(const String& host, TIdIPVersion ipVersion) override {
    if (Library().IPv6FunctionsAvailable) {
      ADDRINFOW hints{};
      hints.ai_family = FamilyOf(ipVersion);
      hints.ai_socktype = SOCK_STREAM;
      ADDRINFOW* list = nullptr;
      const int result = Winsock().GetAddrInfoW(WideText(host), nullptr, &hints, &list);
      if (result != 0) RaiseSocketError(MapAddrInfoError(result));
      struct ListOwner {
        ADDRINFOW* List;
        ~ListOwner() {
          if (List != nullptr) Winsock().FreeAddrInfoW(List);
        }
      } owner{list};
      if (list == nullptr || list->ai_addr == nullptr) RaiseSocketError(Id_WSAHOST_NOT_FOUND);
      sockaddr_storage storage{};
      std::memcpy(&storage, list->ai_addr, std::min<std::size_t>(list->ai_addrlen, sizeof storage));
      return AddressFrom(storage).IP;
    }
    if (ipVersion == TIdIPVersion::Id_IPv6) throw EIdIPv6Unavailable();
    if (ipVersion != TIdIPVersion::Id_IPv4) throw EIdIPVersionUnsupported();
    // The name in the system's ANSI code page; a character it cannot hold becomes "?".
    std::string name;
    const int size = WideCharToMultiByte(CP_ACP, 0, WideText(host), static_cast<int>(host.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size > 0) {
      name.resize(static_cast<std::size_t>(size));
      WideCharToMultiByte(CP_ACP, 0, WideText(host), static_cast<int>(host.size()), name.data(), size,
                          nullptr, nullptr);
    }
    const hostent* entry = Winsock().gethostbyname(name.c_str());
    if (entry == nullptr) RaiseLastSocketError();
    if (entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr)
      RaiseSocketError(Id_WSAHOST_NOT_FOUND);
    std::array<std::uint8_t, 4> bytes{};
    std::memcpy(bytes.data(), entry->h_addr_list[0], bytes.size());
    return FormatIPv4(bytes);
  }

  TIdStackSocketHandle NewSocketHandle(int socketType, int protocol, TIdIPVersion ipVersion, bool) override {
    const SOCKET socket = Winsock().socket(FamilyOf(ipVersion), socketType, protocol);
    if (socket == INVALID_SOCKET) RaiseLastSocketError();
    // Programs this process starts do not inherit the socket.
    SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    return static_cast<TIdStackSocketHandle>(socket);
  }

  void Bind(TIdStackSocketHandle socket, const String& ip, std::uint16_t port,
            TIdIPVersion ipVersion) override {
    int length = 0;
    const sockaddr_storage address = SocketAddress(*this, ip, port, ipVersion, length);
    if (Winsock().bind(Native(socket), reinterpret_cast<const sockaddr*>(&address), length) == SOCKET_ERROR)
      RaiseLastSocketError();
  }

  // Windows ends a blocking connect only when the socket is released, not when it is shut
  // down: a connect that may be abandoned (one with a time limit) runs without blocking and
  // is waited for in short steps, so that it ends at once and the socket's number stays
  // valid until it has returned. Every other connect blocks, as it always has.
  void Connect(TIdStackSocketHandle socket, const String& ip, std::uint16_t port, TIdIPVersion ipVersion,
               const std::atomic<bool>* abandoned) override {
    int length = 0;
    const sockaddr_storage address = SocketAddress(*this, ip, port, ipVersion, length);
    if (abandoned == nullptr) {
      if (Winsock().connect(Native(socket), reinterpret_cast<const sockaddr*>(&address), length) ==
          SOCKET_ERROR)
        RaiseLastSocketError();
      return;
    }
    SetBlocking(socket, false);
    if (Winsock().connect(Native(socket), reinterpret_cast<const sockaddr*>(&address), length) ==
        SOCKET_ERROR) {
      const int error = WSGetLastError();
      if (error != WSAEWOULDBLOCK) {
        SetBlocking(socket, true);
        RaiseSocketError(error);
      }
      WaitForConnect(socket, abandoned);
    }
    SetBlocking(socket, true);
  }

  void SetBlocking(TIdStackSocketHandle socket, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    if (Winsock().ioctlsocket(Native(socket), FIONBIO, &nonBlocking) == SOCKET_ERROR) RaiseLastSocketError();
  }

  // Until the pending connect has succeeded (writable) or failed (its error in the
  // exception set), or has been abandoned.
  void WaitForConnect(TIdStackSocketHandle socket, const std::atomic<bool>* abandoned) {
    constexpr long kStepMicroseconds = 50 * 1000;
    for (;;) {
      if (abandoned != nullptr && abandoned->load()) RaiseSocketError(Id_WSAENOTSOCK);
      fd_set writable;
      fd_set failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(Native(socket), &writable);
      FD_SET(Native(socket), &failed);
      const timeval step{0, kStepMicroseconds};
      const int ready =
          Winsock().select(0, nullptr, &writable, &failed, abandoned != nullptr ? &step : nullptr);
      if (ready == SOCKET_ERROR) RaiseLastSocketError();
      if (InSet(failed, Native(socket))) {
        int error = 0;
        int size = sizeof error;
        if (Winsock().getsockopt(Native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                                 &size) == SOCKET_ERROR)
          RaiseLastSocketError();
        SetBlocking(socket, true);
        RaiseSocketError(error != 0 ? error : WSAECONNREFUSED);
      }
      if (InSet(writable, Native(socket))) return;
    }
  }

  int Receive(TIdStackSocketHandle socket, TIdBytes& buffer) override {
    const int size = static_cast<int>(std::min<std::size_t>(buffer.size(), INT_MAX));
    const int count = Winsock().recv(Native(socket), reinterpret_cast<char*>(buffer.data()), size, 0);
    if (count == SOCKET_ERROR) RaiseLastSocketError();
    return count;
  }

  int Send(TIdStackSocketHandle socket, const TIdBytes& buffer, int offset, int size) override {
    if (offset < 0) return 0;
    std::int64_t length = static_cast<std::int64_t>(buffer.size()) - offset;
    if (size >= 0 && size < length) length = size;
    if (length <= 0) return 0;
    if (length > INT_MAX) length = INT_MAX;
    const int count = Winsock().send(Native(socket), reinterpret_cast<const char*>(buffer.data()) + offset,
                                     static_cast<int>(length), 0);
    if (count == SOCKET_ERROR) RaiseLastSocketError();
    return count;
  }

  bool SelectReadable(TIdStackSocketHandle socket, int timeoutMs) override {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Native(socket), &readable);
    timeval limit{};
    const timeval* wait = nullptr;
    if (timeoutMs >= 0) {
      limit.tv_sec = timeoutMs / 1000;
      limit.tv_usec = (timeoutMs % 1000) * 1000;
      wait = &limit;
    }
    const int ready = Winsock().select(0, &readable, nullptr, nullptr, wait);
    if (ready == SOCKET_ERROR) RaiseLastSocketError();
    return ready > 0;
  }

  void Disconnect(TIdStackSocketHandle socket) override {
    if (Winsock().shutdown(Native(socket), SD_BOTH) == SOCKET_ERROR) RaiseLastSocketError();
  }

  int WSShutdown(TIdStackSocketHandle socket, int how) override {
    return Winsock().shutdown(Native(socket), how);
  }

  int WSCloseSocket(TIdStackSocketHandle socket) override { return Winsock().closesocket(Native(socket)); }

  TIdSocketAddress GetSocketName(TIdStackSocketHandle socket) override {
    sockaddr_storage storage{};
    int length = sizeof storage;
    if (Winsock().getsockname(Native(socket), reinterpret_cast<sockaddr*>(&storage), &length) == SOCKET_ERROR)
      RaiseLastSocketError();
    return AddressFrom(storage);
  }

  TIdSocketAddress GetPeerName(TIdStackSocketHandle socket) override {
    sockaddr_storage storage{};
    int length = sizeof storage;
    if (Winsock().getpeername(Native(socket), reinterpret_cast<sockaddr*>(&storage), &length) == SOCKET_ERROR)
      RaiseLastSocketError();
    return AddressFrom(storage);
  }

  int GetSocketOption(TIdStackSocketHandle socket, int level, int optName) override {
    int value = 0;
    int length = sizeof value;
    if (Winsock().getsockopt(Native(socket), level, optName, reinterpret_cast<char*>(&value), &length) ==
        SOCKET_ERROR)
      RaiseLastSocketError();
    return value;
  }

  void SetSocketOption(TIdStackSocketHandle socket, int level, int optName, int optVal) override {
    if (Winsock().setsockopt(Native(socket), level, optName, reinterpret_cast<const char*>(&optVal),
                             sizeof optVal) == SOCKET_ERROR)
      RaiseLastSocketError();
  }

  int WSGetLastError() override { return Winsock().WSAGetLastError(); }
};

}  // namespace

std::unique_ptr<TIdStack> MakePlatformStack() {
  return std::make_unique<TIdStackWindows>();
}
