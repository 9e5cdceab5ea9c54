#ifndef FENDREL_NET_POSIX_IDSOCKETERRORSPOSIX_H
#define FENDREL_NET_POSIX_IDSOCKETERRORSPOSIX_H

// The Windows Sockets error number for an errno value of a socket call. Values without
// a counterpart pass unchanged.
int SocketErrorFromErrno(int error);

// The Windows Sockets error number for a non-zero getaddrinfo result; errorNumber is the
// errno value at the time, used when the result reports a system error. A result without a
// counterpart gives 11003 (a resolver failure that cannot be recovered from).
int SocketErrorFromAddrInfo(int result, int errorNumber);

#endif
