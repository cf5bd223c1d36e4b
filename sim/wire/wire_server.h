#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/hid_backend.h"
#include "sim/wire/board_claims.h"
#include "sim/wire/flash_command_stop.h"
#include "sim/wire/listen_socket.h"
#include "sim/wire/wire_session.h"

namespace vt::sim {

// Serves the board wire protocol over one listening socket, single
// threaded: poll() over the listener and every client, one request frame at
// a time per client. A client that breaks the framing is dropped; its open
// handles are closed.
class WireServer {
 public:
  // `clock` times out idle holders of a board (BoardClaims); without one
  // the machine's clock does.
  explicit WireServer(platform::HidBackend& backend, platform::Clock* clock = nullptr);
  ~WireServer();
  WireServer(const WireServer&) = delete;
  WireServer& operator=(const WireServer&) = delete;

  bool Listen(const ListenAddress& address, std::string* error);
  // The TCP port actually bound (useful with port 0).
  uint16_t Port() const { return listener_.Port(); }
  // Waits at most timeoutMs for traffic and serves what arrived. False when
  // nothing happened in that time.
  bool RunOnce(int timeoutMs);
  size_t Clients() const { return clients_.size(); }
  // The client that sends the Nth flash command (erase or commit, counted
  // over all clients from now on) gets no answer to it, nor to anything
  // after it, until ResumeStopped(); `onStop` is told which command it was.
  // A stopped client that goes away never has that command carried out.
  void StopClientAt(uint32_t n, std::function<void(const std::string&)> onStop);
  // Carries out the held command of every stopped client and serves it on.
  void ResumeStopped();
  // Flash commands seen since StopClientAt (or the start).
  uint32_t FlashCommands() const { return flashStop_.Seen(); }
  // Who holds the board at `path` for changing its flash, or empty.
  std::string HolderOf(const std::string& path) const { return claims_.HolderOf(path); }
  void Shutdown();

 private:
  struct Client;
  void Accept();
  // False when the client has to be dropped.
  bool Serve(Client& client);
  // Answers the client's buffered requests until it is stopped. False when
  // the client has to be dropped.
  bool Answer(Client& client);

  platform::HidBackend& backend_;
  platform::SystemClock systemClock_;
  BoardClaims claims_;
  ListenSocket listener_;
  std::vector<std::unique_ptr<Client>> clients_;
  FlashCommandStop flashStop_;
  std::function<void(const std::string&)> onStop_;
};

}  // namespace vt::sim
