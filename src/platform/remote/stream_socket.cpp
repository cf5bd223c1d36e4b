#include "platform/remote/stream_socket.h"

#include <cstring>
#include <string>

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

// "Connection refused" reads as "connection refused" inside a sentence.
std::string Lower(std::string text) {
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

std::string Millis(std::chrono::milliseconds ms) { return std::to_string(ms.count()) + " ms"; }

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

bool StreamSocket::Fail(LinkFault::Kind kind, std::string reason) {
  fault_.kind = kind;
  fault_.reason = std::move(reason);
  return false;
}

bool StreamSocket::FailWithError(LinkFault::Kind kind, int error) {
  return Fail(kind, Lower(os::ErrorText(error)));
}

bool StreamSocket::Connect(const SocketAddress& address, std::chrono::milliseconds timeout) {
  Disconnect();
  fault_ = {};
  const auto deadline = SteadyClock::now() + timeout;

  auto tryConnect = [&](int family, const sockaddr* sa, socklen_t len) {
    const int fd = os::OpenStream(family);
    if (fd < 0) return FailWithError(LinkFault::Kind::kUnreachable, os::LastError());
    if (!os::SetNonBlocking(fd)) {
      const int error = os::LastError();
      os::CloseSocket(fd);
      return FailWithError(LinkFault::Kind::kUnreachable, error);
    }
    int rc = connect(fd, sa, len);
    int error = rc != 0 ? os::LastError() : 0;
    if (rc != 0 && os::ConnectInProgress(error)) {
      fd_ = fd;
      const int ready = WaitFor(POLLOUT, deadline);
      fd_ = -1;
      if (ready == 0) {
        os::CloseSocket(fd);
        return Fail(LinkFault::Kind::kTimedOut, "no connection within " + Millis(timeout));
      }
      error = ready > 0 ? os::PendingError(fd) : os::LastError();
      rc = error == 0 ? 0 : -1;
    }
    if (rc != 0) {
      os::CloseSocket(fd);
      return FailWithError(LinkFault::Kind::kUnreachable, error);
    }
    fd_ = fd;
    fault_ = {};
    return true;
  };

  if (address.kind == SocketAddress::Kind::kUnix) {
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    if (address.path.size() >= sizeof sa.sun_path) return false;
    std::memcpy(sa.sun_path, address.path.c_str(), address.path.size() + 1);
    return tryConnect(AF_UNIX, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
  }

  if (!os::Startup()) return Fail(LinkFault::Kind::kUnreachable, "the socket library did not start");
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &list) != 0) {
    return Fail(LinkFault::Kind::kUnreachable, "unknown host " + address.host);
  }
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

int StreamSocket::WaitFor(short events, Deadline deadline) {
  for (;;) {
    pollfd p = os::MakePollFd(fd_, events);
    const int rc = os::PollSockets(&p, 1, RemainingMs(deadline));
    if (rc > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0 ? 1 : -1;
    if (rc == 0) {
      // poll() may wake a little early; only a passed deadline counts.
      if (SteadyClock::now() >= deadline) return 0;
      continue;
    }
    if (!os::Interrupted(os::LastError())) return -1;
  }
}

bool StreamSocket::SendAll(const uint8_t* data, size_t size, Deadline deadline,
                           std::chrono::milliseconds timeout) {
  while (size > 0) {
    const long n = os::SendSome(fd_, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    const int err = n < 0 ? os::LastError() : 0;
    if (n < 0 && os::Interrupted(err)) continue;
    if (n < 0 && os::WouldBlock(err)) {
      const int ready = WaitFor(POLLOUT, deadline);
      if (ready > 0) continue;
      if (ready == 0) return Fail(LinkFault::Kind::kTimedOut, "a request was not taken within " + Millis(timeout));
    }
    return n < 0 && !os::WouldBlock(err) ? FailWithError(LinkFault::Kind::kClosed, err)
                                         : Fail(LinkFault::Kind::kClosed, "the connection broke");
  }
  return true;
}

bool StreamSocket::ReceiveAll(uint8_t* data, size_t size, Deadline deadline,
                              std::chrono::milliseconds timeout) {
  while (size > 0) {
    const long n = os::RecvSome(fd_, data, size);
    if (n > 0) {
      data += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n == 0) return Fail(LinkFault::Kind::kClosed, "the server closed the connection");
    const int err = os::LastError();
    if (os::Interrupted(err)) continue;
    if (os::WouldBlock(err)) {
      const int ready = WaitFor(POLLIN, deadline);
      if (ready > 0) continue;
      if (ready == 0) return Fail(LinkFault::Kind::kTimedOut, "no answer within " + Millis(timeout));
      return Fail(LinkFault::Kind::kClosed, "the connection broke");
    }
    return FailWithError(LinkFault::Kind::kClosed, err);
  }
  return true;
}

bool StreamSocket::SendFrame(std::span<const uint8_t> body, std::chrono::milliseconds timeout) {
  if (fd_ < 0) return Fail(LinkFault::Kind::kClosed, "not connected");
  if (body.size() > kMaxFrameBody) return Fail(LinkFault::Kind::kProtocol, "request too large");
  ByteWriter w;
  w.U32(static_cast<uint32_t>(body.size()));
  w.Bytes(body);
  const auto frame = w.Take();
  if (!SendAll(frame.data(), frame.size(), SteadyClock::now() + timeout, timeout)) {
    Disconnect();
    return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> StreamSocket::ReceiveFrame(std::chrono::milliseconds timeout) {
  if (fd_ < 0) {
    Fail(LinkFault::Kind::kClosed, "not connected");
    return std::nullopt;
  }
  const auto deadline = SteadyClock::now() + timeout;
  uint8_t header[4];
  uint32_t size = 0;
  if (ReceiveAll(header, sizeof header, deadline, timeout)) {
    ByteReader r(header);
    r.U32(&size);
    if (size > kMaxFrameBody) {
      Fail(LinkFault::Kind::kProtocol, "answer of " + std::to_string(size) + " bytes announced");
    } else {
      std::vector<uint8_t> body(size);
      if (ReceiveAll(body.data(), body.size(), deadline, timeout)) return body;
    }
  }
  Disconnect();
  return std::nullopt;
}

}  // namespace vt::platform::remote
