#include "sim/wire/listen_socket.h"

#include <cstring>

#include "platform/sockets/socket_os.h"

namespace vt::sim {

namespace os = vt::platform::sockets;

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

bool ListenSocket::Open(const ListenAddress& address, int backlog, std::string* error) {
  Close();
  auto fail = [&](const char* what) {
    *error = std::string(what) + ": " + os::ErrorText(os::LastError());
    if (fd_ >= 0) os::CloseSocket(fd_);
    fd_ = -1;
    return false;
  };
  if (address.unixSocket) {
    fd_ = os::OpenStream(AF_UNIX);
    if (fd_ < 0) return fail("socket");
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::strncpy(sa.sun_path, address.path.c_str(), sizeof sa.sun_path - 1);
    os::RemoveStaleUnixSocket(address.path);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return fail("bind");
    unixPath_ = address.path;
  } else {
    fd_ = os::OpenStream(AF_INET);
    if (fd_ < 0) return fail("socket");
    os::AllowQuickRebind(fd_);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(address.port);
    ::inet_pton(AF_INET, address.host.c_str(), &sa.sin_addr);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return fail("bind");
    socklen_t len = sizeof sa;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
  }
  if (::listen(fd_, backlog) != 0) return fail("listen");
  return true;
}

void ListenSocket::Close() {
  if (fd_ < 0) return;
  os::CloseSocket(fd_);
  fd_ = -1;
  if (!unixPath_.empty()) os::RemoveUnixSocket(unixPath_);
  unixPath_.clear();
}

int ListenSocket::Accept() const {
  const int fd = os::AcceptClient(fd_);
  if (fd < 0) return -1;
  const int one = 1;
  // Fails harmlessly on unix sockets.
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return fd;
}

}  // namespace vt::sim
