#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid_backend.h"
#include "sim/wire/wire_session.h"

namespace vt::sim {

// Where the server listens: "tcp:HOST:PORT" (loopback hosts only) or
// "unix:PATH".
struct ListenAddress {
  bool unixSocket = false;
  std::string host;  // tcp
  uint16_t port = 0;  // tcp; 0 picks a free port
  std::string path;  // unix
};

// Nothing, or the reason the text is not an address we serve on.
std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error);

// Serves the board wire protocol over one listening socket, single
// threaded: poll() over the listener and every client, one request frame at
// a time per client. A client that breaks the framing is dropped; its open
// handles are closed.
class WireServer {
 public:
  explicit WireServer(platform::HidBackend& backend);
  ~WireServer();
  WireServer(const WireServer&) = delete;
  WireServer& operator=(const WireServer&) = delete;

  bool Listen(const ListenAddress& address, std::string* error);
  // The TCP port actually bound (useful with port 0).
  uint16_t Port() const { return port_; }
  // Waits at most timeoutMs for traffic and serves what arrived. False when
  // nothing happened in that time.
  bool RunOnce(int timeoutMs);
  size_t Clients() const { return clients_.size(); }
  void Shutdown();

 private:
  struct Client;
  void Accept();
  // False when the client has to be dropped.
  bool Serve(Client& client);

  platform::HidBackend& backend_;
  int listenFd_ = -1;
  uint16_t port_ = 0;
  std::string unixPath_;
  std::vector<std::unique_ptr<Client>> clients_;
};

}  // namespace vt::sim
