#include "platform/remote/stream_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/remote/wire_format.h"
#include "platform/poll_deadline.h"

namespace vt::platform::remote {

namespace {

using SteadyClock = std::chrono::steady_clock;

int RemainingMs(SteadyClock::time_point deadline) {
  return RemainingPollMs(deadline, 60'000);
}

bool SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

std::optional<SocketAddress> ParseSocketAddress(const std::string& text) {
  SocketAddress out;
  if (text.rfind("unix:", 0) == 0) {
    out.kind = SocketAddress::Kind::kUnix;
    out.path = text.substr(5);
    // sun_path holds the path and its terminator.
    if (out.path.empty() || out.path.size() >= sizeof(sockaddr_un::sun_path)) return std::nullopt;
    return out;
  }
  if (text.rfind("tcp:", 0) != 0) return std::nullopt;
  const std::string rest = text.substr(4);
  const auto colon = rest.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == rest.size()) return std::nullopt;
  out.kind = SocketAddress::Kind::kTcp;
  out.host = rest.substr(0, colon);
  out.port = rest.substr(colon + 1);
  if (out.host.size() >= 2 && out.host.front() == '[' && out.host.back() == ']') {
    out.host = out.host.substr(1, out.host.size() - 2);
  }
  if (out.host.empty() || out.port.size() > 5) return std::nullopt;
  unsigned long port = 0;
  for (char c : out.port) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + static_cast<unsigned long>(c - '0');
  }
  if (port == 0 || port > 65535) return std::nullopt;
  return out;
}

bool StreamSocket::Connect(const SocketAddress& address, std::chrono::milliseconds timeout) {
  Disconnect();
  const auto deadline = SteadyClock::now() + timeout;

  auto tryConnect = [&](int family, const sockaddr* sa, socklen_t len) {
    const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (!SetNonBlocking(fd)) {
      close(fd);
      return false;
    }
    int rc = connect(fd, sa, len);
    if (rc != 0 && (errno == EINPROGRESS || errno == EAGAIN)) {
      fd_ = fd;
      if (WaitFor(POLLOUT, deadline)) {
        int err = 0;
        socklen_t errLen = sizeof err;
        rc = (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &errLen) == 0 && err == 0) ? 0 : -1;
      }
      fd_ = -1;
    }
    if (rc != 0) {
      close(fd);
      return false;
    }
    fd_ = fd;
    return true;
  };

  if (address.kind == SocketAddress::Kind::kUnix) {
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    if (address.path.size() >= sizeof sa.sun_path) return false;
    std::memcpy(sa.sun_path, address.path.c_str(), address.path.size() + 1);
    return tryConnect(AF_UNIX, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
  }

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &list) != 0) return false;
  bool ok = false;
  for (addrinfo* ai = list; ai != nullptr && !ok; ai = ai->ai_next) {
    ok = tryConnect(ai->ai_family, ai->ai_addr, ai->ai_addrlen);
  }
  freeaddrinfo(list);
  return ok;
}

void StreamSocket::Disconnect() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool StreamSocket::WaitFor(short events, Deadline deadline) {
  for (;;) {
    pollfd p{fd_, events, 0};
    const int rc = poll(&p, 1, RemainingMs(deadline));
    if (rc > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
    if (rc == 0) return false;
    if (errno != EINTR) return false;
  }
}

bool StreamSocket::SendAll(const uint8_t* data, size_t size, Deadline deadline) {
  while (size > 0) {
    const ssize_t n = send(fd_, data, size, MSG_NOSIGNAL);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(POLLOUT, deadline)) continue;
    return false;
  }
  return true;
}

bool StreamSocket::ReceiveAll(uint8_t* data, size_t size, Deadline deadline) {
  while (size > 0) {
    const ssize_t n = recv(fd_, data, size, 0);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n == 0) return false;  // the peer closed
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(POLLIN, deadline)) continue;
    return false;
  }
  return true;
}

bool StreamSocket::SendFrame(std::span<const uint8_t> body, std::chrono::milliseconds timeout) {
  if (fd_ < 0) return false;
  if (body.size() > kMaxFrameBody) return false;
  ByteWriter w;
  w.U32(static_cast<uint32_t>(body.size()));
  w.Bytes(body);
  const auto frame = w.Take();
  if (!SendAll(frame.data(), frame.size(), SteadyClock::now() + timeout)) {
    Disconnect();
    return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> StreamSocket::ReceiveFrame(std::chrono::milliseconds timeout) {
  if (fd_ < 0) return std::nullopt;
  const auto deadline = SteadyClock::now() + timeout;
  uint8_t header[4];
  uint32_t size = 0;
  if (ReceiveAll(header, sizeof header, deadline)) {
    ByteReader r(header);
    r.U32(&size);
    if (size <= kMaxFrameBody) {
      std::vector<uint8_t> body(size);
      if (ReceiveAll(body.data(), body.size(), deadline)) return body;
    }
  }
  Disconnect();
  return std::nullopt;
}

}  // namespace vt::platform::remote
