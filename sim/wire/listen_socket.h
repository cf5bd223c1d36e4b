#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt::sim {

// Where a server listens: "tcp:HOST:PORT" (loopback hosts only) or
// "unix:PATH".
struct ListenAddress {
  bool unixSocket = false;
  std::string host;  // tcp
  uint16_t port = 0;  // tcp; 0 picks a free port
  std::string path;  // unix
};

// Nothing, or the reason the text is not an address we serve on.
std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error);

// The listening socket of a server (the wire protocol's and the usbredir
// front's): bound to a ListenAddress, handing out accepted connections.
class ListenSocket {
 public:
  ListenSocket() = default;
  ~ListenSocket() { Close(); }
  ListenSocket(const ListenSocket&) = delete;
  ListenSocket& operator=(const ListenSocket&) = delete;

  // Listens at `address` with room for `backlog` waiting connections. A
  // socket file left behind by an earlier run is replaced; any other file
  // at that path is left alone (bind then fails). False with the failing
  // step and the system's reason in *error.
  bool Open(const ListenAddress& address, int backlog, std::string* error);
  // Stops listening and removes the socket file of a unix address.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  // The TCP port actually bound (useful with port 0).
  uint16_t Port() const { return port_; }
  // One waiting connection, not inherited by child processes, sending
  // small writes at once (no Nagle delay); -1 when none.
  int Accept() const;

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
  std::string unixPath_;
};

}  // namespace vt::sim
