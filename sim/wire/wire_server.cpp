#include "sim/wire/wire_server.h"

#include <cstring>

#include "platform/remote/wire_format.h"
#include "platform/sockets/socket_os.h"
#include "sim/wire/wire_frames.h"

namespace vt::sim {

namespace os = vt::platform::sockets;

struct WireServer::Client {
  Client(int socket, platform::HidBackend& backend, BoardClaims& claims)
      : fd(socket), session(backend, &claims, os::PeerDescription(socket)) {}
  ~Client() {
    session.CloseAll();
    os::CloseSocket(fd);
  }
  int fd;
  WireSession session;
  FrameReader in{platform::remote::kMaxFrameBody};
  std::optional<std::vector<uint8_t>> held;  // the request it is stopped at
};

namespace {

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const long n = os::SendSome(fd, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && os::Interrupted(os::LastError())) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error) {
  ListenAddress a;
  if (text.starts_with("unix:")) {
    a.unixSocket = true;
    a.path = std::string(text.substr(5));
    if (a.path.empty() || a.path.size() >= sizeof(sockaddr_un{}.sun_path)) {
      *error = "unix socket path is empty or too long";
      return std::nullopt;
    }
    return a;
  }
  if (!text.starts_with("tcp:")) {
    *error = "address must be tcp:HOST:PORT or unix:PATH";
    return std::nullopt;
  }
  const std::string_view rest = text.substr(4);
  const size_t colon = rest.rfind(':');
  if (colon == std::string_view::npos) {
    *error = "tcp address needs a port";
    return std::nullopt;
  }
  a.host = std::string(rest.substr(0, colon));
  const std::string port(rest.substr(colon + 1));
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
      std::stoul(port) > 65535) {
    *error = "tcp port must be a number from 0 to 65535";
    return std::nullopt;
  }
  a.port = static_cast<uint16_t>(std::stoul(port));
  if (a.host == "localhost") a.host = "127.0.0.1";
  in_addr addr{};
  if (::inet_pton(AF_INET, a.host.c_str(), &addr) != 1 ||
      (ntohl(addr.s_addr) >> 24) != 127) {
    *error = "the board is served on loopback only (127.x.x.x)";
    return std::nullopt;
  }
  return a;
}

WireServer::WireServer(platform::HidBackend& backend, platform::Clock* clock)
    : backend_(backend), claims_(clock != nullptr ? *clock : systemClock_) {}

WireServer::~WireServer() { Shutdown(); }

void WireServer::Shutdown() {
  clients_.clear();
  if (listenFd_ >= 0) {
    os::CloseSocket(listenFd_);
    listenFd_ = -1;
    if (!unixPath_.empty()) os::RemoveUnixSocket(unixPath_);
    unixPath_.clear();
  }
}

bool WireServer::Listen(const ListenAddress& address, std::string* error) {
  Shutdown();
  auto fail = [&](const char* what) {
    *error = std::string(what) + ": " + os::ErrorText(os::LastError());
    if (listenFd_ >= 0) os::CloseSocket(listenFd_);
    listenFd_ = -1;
    return false;
  };
  if (address.unixSocket) {
    listenFd_ = os::OpenStream(AF_UNIX);
    if (listenFd_ < 0) return fail("socket");
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::strncpy(sa.sun_path, address.path.c_str(), sizeof sa.sun_path - 1);
    // A socket left behind by an earlier run is replaced; any other file
    // at that path is left alone (bind then fails).
    os::RemoveStaleUnixSocket(address.path);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return fail("bind");
    unixPath_ = address.path;
  } else {
    listenFd_ = os::OpenStream(AF_INET);
    if (listenFd_ < 0) return fail("socket");
    os::AllowQuickRebind(listenFd_);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(address.port);
    ::inet_pton(AF_INET, address.host.c_str(), &sa.sin_addr);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return fail("bind");
    socklen_t len = sizeof sa;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
  }
  if (::listen(listenFd_, 8) != 0) return fail("listen");
  return true;
}

void WireServer::Accept() {
  const int fd = os::AcceptClient(listenFd_);
  if (fd < 0) return;
  const int one = 1;
  // Fails harmlessly on unix sockets.
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  // A client that stops reading its answers must not stall the other ones.
  os::SetSendTimeout(fd, 2000);
  clients_.push_back(std::make_unique<Client>(fd, backend_, claims_));
}

bool WireServer::Serve(Client& c) {
  uint8_t buf[4096];
  const long n = os::RecvSome(c.fd, buf, sizeof buf);
  if (n < 0 && (os::Interrupted(os::LastError()) || os::WouldBlock(os::LastError()))) return true;
  if (n <= 0) return false;  // closed or broken
  c.in.Append({buf, static_cast<size_t>(n)});
  // A stopped client is still read from, so that its going away is seen.
  return c.held || Answer(c);
}

bool WireServer::Answer(Client& c) {
  while (!c.held) {
    auto body = c.in.Next();
    if (!body) break;
    std::string what;
    if (flashStop_.Take(*body, &what)) {
      c.held = std::move(body);
      if (onStop_) onStop_(what);
      break;
    }
    if (!SendAll(c.fd, FrameOf(c.session.Handle(*body)))) return false;
  }
  return !c.in.Broken();
}

void WireServer::StopClientAt(uint32_t n, std::function<void(const std::string&)> onStop) {
  flashStop_ = FlashCommandStop(n);
  onStop_ = std::move(onStop);
}

void WireServer::ResumeStopped() {
  // A stopped client that went away meanwhile is dropped first: its held
  // command is never carried out.
  RunOnce(0);
  for (auto it = clients_.begin(); it != clients_.end();) {
    Client& c = **it;
    bool keep = true;
    if (c.held) {
      const auto body = std::move(*c.held);
      c.held.reset();
      keep = SendAll(c.fd, FrameOf(c.session.Handle(body))) && Answer(c);
    }
    it = keep ? it + 1 : clients_.erase(it);
  }
}

bool WireServer::RunOnce(int timeoutMs) {
  if (listenFd_ < 0) return false;
  std::vector<pollfd> fds;
  fds.push_back(os::MakePollFd(listenFd_, POLLIN));
  for (const auto& c : clients_) fds.push_back(os::MakePollFd(c->fd, POLLIN));
  const int ready = os::PollSockets(fds.data(), fds.size(), timeoutMs);
  if (ready <= 0) return false;
  // Serve clients first; indexes in fds match clients_ until we erase.
  std::vector<size_t> dropped;
  for (size_t i = 1; i < fds.size(); ++i) {
    if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
      if (!Serve(*clients_[i - 1])) dropped.push_back(i - 1);
    }
  }
  for (auto it = dropped.rbegin(); it != dropped.rend(); ++it) {
    clients_.erase(clients_.begin() + static_cast<long>(*it));
  }
  if (fds[0].revents & POLLIN) Accept();
  return true;
}

}  // namespace vt::sim
