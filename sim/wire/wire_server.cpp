#include "sim/wire/wire_server.h"

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

WireServer::WireServer(platform::HidBackend& backend, platform::Clock* clock)
    : backend_(backend), claims_(clock != nullptr ? *clock : systemClock_) {}

WireServer::~WireServer() { Shutdown(); }

void WireServer::Shutdown() {
  clients_.clear();
  listener_.Close();
}

bool WireServer::Listen(const ListenAddress& address, std::string* error) {
  Shutdown();
  return listener_.Open(address, 8, error);
}

void WireServer::Accept() {
  const int fd = listener_.Accept();
  if (fd < 0) return;
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
  if (!listener_.IsOpen()) return false;
  std::vector<pollfd> fds;
  fds.push_back(os::MakePollFd(listener_.Fd(), POLLIN));
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
