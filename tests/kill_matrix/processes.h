#pragma once

// Child processes for the kill matrix: the `velotrack` command run to its
// end or started to be killed, and the board server whose stdout lines say
// when it holds a client at a flash command.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vt::kill_matrix {

struct Finished {
  int code = -1;    // exit status, or 128 + signal
  std::string out;  // stdout
  std::string err;  // stderr
};

// A started process with its stdout and stderr going to files.
class Child {
 public:
  Child(const std::string& program, const std::vector<std::string>& args,
        const std::filesystem::path& outputStem);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  void Signal(int signal) const;
  // Nothing while it still runs after `wait`; its result once it ended.
  std::optional<Finished> WaitFor(std::chrono::milliseconds wait);

 private:
  pid_t pid_ = -1;
  std::filesystem::path outPath_, errPath_;
};

// Runs to the end (killed after 60 s).
Finished Run(const std::string& program, const std::vector<std::string>& args,
             const std::filesystem::path& outputStem);

// `velotrack-board serve --listen unix:SOCKET ARGS...` with its stdout read
// line by line.
class ServerChild {
 public:
  ServerChild(const std::string& program, const std::filesystem::path& socket,
              const std::vector<std::string>& args);
  ~ServerChild();
  ServerChild(const ServerChild&) = delete;
  ServerChild& operator=(const ServerChild&) = delete;

  // The next stdout line that starts with `prefix`, or nothing when none
  // came within `wait` (or the server ended).
  std::optional<std::string> WaitLine(const std::string& prefix, std::chrono::milliseconds wait);
  bool Up() const { return up_; }
  std::string Address() const { return "unix:" + socket_.string(); }
  // Lets a held client go on (SIGUSR1).
  void Resume() const;
  // SIGTERM and wait; the last stdout lines it printed on the way out.
  std::vector<std::string> Stop();

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string pending_;
  std::filesystem::path socket_;
  bool up_ = false;
};

}  // namespace vt::kill_matrix
