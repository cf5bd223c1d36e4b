#pragma once

// The system's socket headers, and the calls whose spelling differs between
// POSIX and Winsock. Everything else (getaddrinfo, bind, listen, connect,
// getsockopt) has the same name and meaning on both and is used directly.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <afunix.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#endif

#include <cstddef>
#include <string>

namespace vt::platform::sockets {

// Sockets are kept as int: -1 is "none". Winsock's SOCKET values are small
// handle numbers that fit.
inline constexpr int kNoSocket = -1;

// Starts the socket library once per process (WSAStartup); true on POSIX.
bool Startup();

// A stream socket of `family` that child processes do not inherit; -1 on failure.
int OpenStream(int family);
bool SetNonBlocking(int fd);
void CloseSocket(int fd);
// Accepts one pending connection, not inherited by children; -1 when none.
int AcceptClient(int listenFd);

// One send/recv call; never raises SIGPIPE. <0 on error (see LastError).
long SendSome(int fd, const void* data, size_t size);
long RecvSome(int fd, void* data, size_t size);

pollfd MakePollFd(int fd, short events);
// poll()/WSAPoll(): >0 ready, 0 timed out, <0 failed.
int PollSockets(pollfd* fds, size_t count, int timeoutMs);

// The error of the last failed call on this thread, and its classes.
int LastError();
bool Interrupted(int error);
bool WouldBlock(int error);         // try again when the socket is ready
bool ConnectInProgress(int error);  // a non-blocking connect was started
std::string ErrorText(int error);

// The outcome of a finished non-blocking connect (0 = connected).
int PendingError(int fd);
// A restarted server may bind its port again at once, while a second server
// on the same port still fails.
void AllowQuickRebind(int fd);
// Blocking sends give up after `ms`.
void SetSendTimeout(int fd, int ms);

// Who is at the other end of a connected socket, for messages: "velotrack
// (pid 1234)" for a local process where the system tells, else its
// address ("127.0.0.1:40312").
std::string PeerDescription(int fd);
// This process as a peer would describe it: "pid 1234".
std::string ThisProcess();

// Removes a socket file left behind by an earlier server run at `path`;
// other kinds of file are left alone.
void RemoveStaleUnixSocket(const std::string& path);
void RemoveUnixSocket(const std::string& path);

}  // namespace vt::platform::sockets
