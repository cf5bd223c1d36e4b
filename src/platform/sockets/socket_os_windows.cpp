#include "platform/sockets/socket_os.h"

#include <windows.h>

#include <string>

namespace vt::platform::sockets {

namespace {

SOCKET AsSocket(int fd) { return static_cast<SOCKET>(static_cast<unsigned>(fd)); }

int FromSocket(SOCKET s) { return s == INVALID_SOCKET ? kNoSocket : static_cast<int>(s); }

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

}  // namespace

bool Startup() {
  // Winsock counts its start-ups; one for the whole process, never undone,
  // because sockets may outlive any one owner until exit.
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

int OpenStream(int family) {
  if (!Startup()) return kNoSocket;
  // WSA_FLAG_NO_HANDLE_INHERIT: the counterpart of SOCK_CLOEXEC.
  return FromSocket(WSASocketW(family, SOCK_STREAM, 0, nullptr, 0,
                               WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT));
}

bool SetNonBlocking(int fd) {
  u_long on = 1;
  return ioctlsocket(AsSocket(fd), FIONBIO, &on) == 0;
}

void CloseSocket(int fd) {
  if (fd >= 0) closesocket(AsSocket(fd));
}

int AcceptClient(int listenFd) {
  const SOCKET s = accept(AsSocket(listenFd), nullptr, nullptr);
  if (s == INVALID_SOCKET) return kNoSocket;
  // Accepted sockets inherit the listener's non-blocking mode; the server
  // expects blocking clients with a send time-out.
  u_long off = 0;
  ioctlsocket(s, FIONBIO, &off);
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return FromSocket(s);
}

long SendSome(int fd, const void* data, size_t size) {
  const int n = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
  return send(AsSocket(fd), static_cast<const char*>(data), n, 0);
}

long RecvSome(int fd, void* data, size_t size) {
  const int n = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
  return recv(AsSocket(fd), static_cast<char*>(data), n, 0);
}

pollfd MakePollFd(int fd, short events) {
  pollfd p{};
  p.fd = AsSocket(fd);
  p.events = events;
  return p;
}

int PollSockets(pollfd* fds, size_t count, int timeoutMs) {
  return WSAPoll(fds, static_cast<ULONG>(count), timeoutMs);
}

int LastError() { return WSAGetLastError(); }
bool Interrupted(int error) { return error == WSAEINTR; }
bool WouldBlock(int error) { return error == WSAEWOULDBLOCK; }
bool ConnectInProgress(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }

std::string ErrorText(int error) {
  // Windows before 10 (1803) and Wine have no Unix sockets; the system's
  // text for that ("socket error 10047" under Wine) does not say so.
  if (error == WSAEAFNOSUPPORT) return "this system has no Unix sockets; use a tcp: address";
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
  std::string out(text, n);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) out.pop_back();
  return out.empty() ? "socket error " + std::to_string(error) : out;
}

int PendingError(int fd) {
  int err = 0;
  int len = sizeof err;
  if (getsockopt(AsSocket(fd), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0) {
    return WSAGetLastError();
  }
  return err;
}

void AllowQuickRebind(int fd) {
  // Windows rebinds a port freed by a closed server anyway; SO_REUSEADDR
  // there would let a second server take a port in use, so it is not set
  // and the port is claimed exclusively instead.
  const BOOL on = TRUE;
  setsockopt(AsSocket(fd), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
}

void SetSendTimeout(int fd, int ms) {
  const DWORD limit = static_cast<DWORD>(ms);
  setsockopt(AsSocket(fd), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
}

void RemoveStaleUnixSocket(const std::string& path) {
  // A socket file on Windows is a reparse point; anything else stays.
  const std::wstring wide = Wide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    DeleteFileW(wide.c_str());
  }
}

void RemoveUnixSocket(const std::string& path) { DeleteFileW(Wide(path).c_str()); }

std::string PeerDescription(int fd) {
  sockaddr_storage sa{};
  int len = sizeof sa;
  if (getpeername(AsSocket(fd), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return "an unknown client";
  if (sa.ss_family == AF_UNIX) return "a local client";
  char host[INET6_ADDRSTRLEN] = "?";
  unsigned port = 0;
  if (sa.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&sa);
    inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
    port = ntohs(in->sin_port);
  } else if (sa.ss_family == AF_INET6) {
    const auto* in = reinterpret_cast<const sockaddr_in6*>(&sa);
    inet_ntop(AF_INET6, &in->sin6_addr, host, sizeof host);
    port = ntohs(in->sin6_port);
  }
  return std::string(host) + ":" + std::to_string(port);
}

std::string ThisProcess() { return "pid " + std::to_string(GetCurrentProcessId()); }

}  // namespace vt::platform::sockets
