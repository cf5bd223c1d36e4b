#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

// Runs the board server (`velotrack-board serve`) as a child process and
// learns its address from the line it prints once it listens:
//   velotrack-board: serving 1 board(s) on tcp:127.0.0.1:PORT
class BoardServerProcess {
 public:
  BoardServerProcess(const std::string& program, const std::vector<std::string>& args) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(program.c_str()));
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    // Wait (bounded) for the announcement line.
    std::string line;
    for (;;) {
      pollfd p{out[0], POLLIN, 0};
      if (poll(&p, 1, 10000) <= 0) break;
      char c;
      if (read(out[0], &c, 1) != 1 || c == '\n') break;
      line += c;
    }
    close(out[0]);
    const auto on = line.rfind(" on ");
    if (on != std::string::npos) address_ = line.substr(on + 4);
  }

  ~BoardServerProcess() { Stop(); }

  // The address the server listens on; empty when it did not come up.
  const std::string& Address() const { return address_; }

  // Ends the server with `sig` and waits for it: SIGTERM lets it save and
  // stop, SIGKILL gives it no chance to.
  void Stop(int sig = SIGTERM) {
    if (pid_ <= 0) return;
    kill(pid_, sig);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  std::string address_;
};
