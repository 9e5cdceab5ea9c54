#include "net/posix/IdSocketErrorsPosix.h"

#include <netdb.h>

#include <cerrno>
#include <iterator>

namespace {

struct ErrorPair {
  int Posix;
  int WinSock;
};

// errno values of socket calls and the Windows Sockets numbers the messages use.
constexpr ErrorPair ErrnoTable[] = {
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EPERM, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    {EWOULDBLOCK, 10035},
    {EAGAIN, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    // A send to a peer that has gone: Windows reports it as a reset.
    {EPIPE, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
};

// getaddrinfo results and the numbers the Windows resolver gives for the same outcome.
constexpr ErrorPair AddrInfoTable[] = {
    {EAI_NONAME, 11001},
#ifdef EAI_NODATA
    {EAI_NODATA, 11004},
#endif
#ifdef EAI_ADDRFAMILY
    {EAI_ADDRFAMILY, 11004},
#endif
    {EAI_AGAIN, 11002},      {EAI_FAIL, 11003},    {EAI_BADFLAGS, 10022}, {EAI_FAMILY, 10047},
    {EAI_MEMORY, 8},         {EAI_SERVICE, 10109}, {EAI_SOCKTYPE, 10044},
};

int Lookup(const ErrorPair* first, const ErrorPair* last, int value) {
  for (const ErrorPair* entry = first; entry != last; ++entry) {
    if (entry->Posix == value) return entry->WinSock;
  }
  return value;
}

}  // namespace

int SocketErrorFromErrno(int error) {
  return Lookup(std::begin(ErrnoTable), std::end(ErrnoTable), error);
}

int SocketErrorFromAddrInfo(int result, int errorNumber) {
  // A resolver failure this table does not know (the results are negative numbers here, which
  // must never pass as socket error numbers), or a system error without its number, is taken
  // for the nearest Windows Sockets error: 11003, a failure of the resolver that cannot be
  // recovered from (WSANO_RECOVERY).
  constexpr int NonRecoverable = 11003;
  if (result == EAI_SYSTEM) return errorNumber != 0 ? SocketErrorFromErrno(errorNumber) : NonRecoverable;
  const int mapped = Lookup(std::begin(AddrInfoTable), std::end(AddrInfoTable), result);
  return mapped == result ? NonRecoverable : mapped;
}
