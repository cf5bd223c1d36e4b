#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/sockets/socket_os.h"

namespace vt::platform::sockets {

bool Startup() { return true; }

int OpenStream(int family) { return ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0); }

bool SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

void CloseSocket(int fd) {
  if (fd >= 0) ::close(fd);
}

int AcceptClient(int listenFd) { return ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC); }

long SendSome(int fd, const void* data, size_t size) { return ::send(fd, data, size, MSG_NOSIGNAL); }

long RecvSome(int fd, void* data, size_t size) { return ::recv(fd, data, size, 0); }

pollfd MakePollFd(int fd, short events) { return pollfd{fd, events, 0}; }

int PollSockets(pollfd* fds, size_t count, int timeoutMs) {
  return ::poll(fds, static_cast<nfds_t>(count), timeoutMs);
}

int LastError() { return errno; }
bool Interrupted(int error) { return error == EINTR; }
bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }
bool ConnectInProgress(int error) { return error == EINPROGRESS || error == EAGAIN; }
std::string ErrorText(int error) { return std::strerror(error); }

int PendingError(int fd) {
  int err = 0;
  socklen_t len = sizeof err;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
  return err;
}

void AllowQuickRebind(int fd) {
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
}

void SetSendTimeout(int fd, int ms) {
  timeval limit{ms / 1000, (ms % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

void RemoveStaleUnixSocket(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) ::unlink(path.c_str());
}

void RemoveUnixSocket(const std::string& path) { ::unlink(path.c_str()); }

std::string PeerDescription(int fd) {
  sockaddr_storage sa{};
  socklen_t len = sizeof sa;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return "an unknown client";
  if (sa.ss_family == AF_UNIX) {
    ucred cred{};
    socklen_t credLen = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &credLen) != 0) return "a local client";
    std::string name;
    std::ifstream comm("/proc/" + std::to_string(cred.pid) + "/comm");
    std::getline(comm, name);
    const std::string pid = "pid " + std::to_string(cred.pid);
    return name.empty() ? pid : name + " (" + pid + ")";
  }
  char host[INET6_ADDRSTRLEN] = "?";
  unsigned port = 0;
  if (sa.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&sa);
    ::inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
    port = ntohs(in->sin_port);
  } else if (sa.ss_family == AF_INET6) {
    const auto* in = reinterpret_cast<const sockaddr_in6*>(&sa);
    ::inet_ntop(AF_INET6, &in->sin6_addr, host, sizeof host);
    port = ntohs(in->sin6_port);
  }
  return std::string(host) + ":" + std::to_string(port);
}

std::string ThisProcess() { return "pid " + std::to_string(::getpid()); }

}  // namespace vt::platform::sockets
