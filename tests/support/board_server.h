#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vt::testing {

// The board server executable (`velotrack-board serve`) run as a child
// process on a Unix socket. Start() returns once the socket accepts a
// connection; Stop() ends the process (the server writes its flash file on
// the way out). Every wait is bounded, and the destructor never leaves the
// process behind.
class BoardServer {
 public:
  BoardServer(std::string program, std::string socketPath);
  ~BoardServer();
  BoardServer(const BoardServer&) = delete;
  BoardServer& operator=(const BoardServer&) = delete;

  // Starts `program serve --listen unix:<socketPath> <extraArgs...>`. False
  // (and the reason in *error) when the process exits or the socket does not
  // accept within `wait`.
  bool Start(const std::vector<std::string>& extraArgs, std::string* error,
             std::chrono::milliseconds wait = std::chrono::milliseconds(10000));
  // SIGTERM, then SIGKILL when the server has not exited within `wait`.
  // The exit code, or -1 when it was killed or not running.
  int Stop(std::chrono::milliseconds wait = std::chrono::milliseconds(5000));

  bool Running() const { return pid_ > 0; }
  // "unix:<socketPath>", the address a remote backend takes.
  std::string Address() const { return "unix:" + socketPath_; }

 private:
  bool Accepts() const;

  std::string program_;
  std::string socketPath_;
  pid_t pid_ = -1;
};

}  // namespace vt::testing
