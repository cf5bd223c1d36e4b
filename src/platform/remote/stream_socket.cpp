#include "platform/remote/stream_socket.h"

#include <cstring>

#include "platform/remote/wire_format.h"
#include "platform/poll_deadline.h"
#include "platform/sockets/socket_os.h"

namespace vt::platform::remote {

namespace os = vt::platform::sockets;

namespace {

using SteadyClock = std::chrono::steady_clock;

int RemainingMs(SteadyClock::time_point deadline) {
  return RemainingPollMs(deadline, 60'000);
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
    const int fd = os::OpenStream(family);
    if (fd < 0) return false;
    if (!os::SetNonBlocking(fd)) {
      os::CloseSocket(fd);
      return false;
    }
    int rc = connect(fd, sa, len);
    if (rc != 0 && os::ConnectInProgress(os::LastError())) {
      fd_ = fd;
      if (WaitFor(POLLOUT, deadline)) rc = os::PendingError(fd) == 0 ? 0 : -1;
      fd_ = -1;
    }
    if (rc != 0) {
      os::CloseSocket(fd);
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

  if (!os::Startup()) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &list) != 0) return false;
  bool ok = false;
  for (addrinfo* ai = list; ai != nullptr && !ok; ai = ai->ai_next) {
    ok = tryConnect(ai->ai_family, ai->ai_addr, static_cast<socklen_t>(ai->ai_addrlen));
  }
  freeaddrinfo(list);
  return ok;
}

void StreamSocket::Disconnect() {
  if (fd_ >= 0) os::CloseSocket(fd_);
  fd_ = -1;
}

bool StreamSocket::WaitFor(short events, Deadline deadline) {
  for (;;) {
    pollfd p = os::MakePollFd(fd_, events);
    const int rc = os::PollSockets(&p, 1, RemainingMs(deadline));
    if (rc > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
    if (rc == 0) return false;
    if (!os::Interrupted(os::LastError())) return false;
  }
}

bool StreamSocket::SendAll(const uint8_t* data, size_t size, Deadline deadline) {
  while (size > 0) {
    const long n = os::SendSome(fd_, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    const int err = n < 0 ? os::LastError() : 0;
    if (n < 0 && os::Interrupted(err)) continue;
    if (n < 0 && os::WouldBlock(err) && WaitFor(POLLOUT, deadline)) continue;
    return false;
  }
  return true;
}

bool StreamSocket::ReceiveAll(uint8_t* data, size_t size, Deadline deadline) {
  while (size > 0) {
    const long n = os::RecvSome(fd_, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n == 0) return false;  // the peer closed
    const int err = os::LastError();
    if (os::Interrupted(err)) continue;
    if (os::WouldBlock(err) && WaitFor(POLLIN, deadline)) continue;
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
