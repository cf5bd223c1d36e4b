#pragma once

#ifdef _WIN32
#include <windows.h>

#include "platform/program_text.h"
#else
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

// Where a test's board server listens: a Unix socket at `socket`, or on
// Windows a free loopback TCP port (Wine has no Unix sockets, and TCP is
// what Windows users are told to use). Clients use the server's Address().
inline std::string TestListenAddress(const std::filesystem::path& socket) {
#ifdef _WIN32
  static_cast<void>(socket);
  return "tcp:127.0.0.1:0";
#else
  return "unix:" + socket.string();
#endif
}

// Runs the board server (`velotrack-board serve`) as a child process and
// learns its address from the line it prints once it listens:
//   velotrack-board: serving 1 board(s) on tcp:127.0.0.1:PORT
#ifdef _WIN32
// On Windows a stop is TerminateProcess: there is no signal that lets the
// server save first, so a test that needs the saved flash skips itself.
class BoardServerProcess {
 public:
  BoardServerProcess(const std::string& program, const std::vector<std::string>& args) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring command = L"\"" + vt::platform::Widen(program) + L"\"";
    for (const auto& a : args) command += L" \"" + vt::platform::Widen(a) + L"\"";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = writeEnd;
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &start, &info);
    CloseHandle(writeEnd);
    if (started) {
      process_ = info.hProcess;
      CloseHandle(info.hThread);
      // Wait (bounded) for the announcement line.
      std::string line;
      const ULONGLONG deadline = GetTickCount64() + 10000;
      while (GetTickCount64() < deadline) {
        DWORD ready = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &ready, nullptr)) break;
        if (ready == 0) {
          Sleep(10);
          continue;
        }
        char c = 0;
        DWORD got = 0;
        if (!ReadFile(readEnd, &c, 1, &got, nullptr) || got != 1 || c == '\n') break;
        if (c != '\r') line += c;
      }
      const auto on = line.rfind(" on ");
      if (on != std::string::npos) address_ = line.substr(on + 4);
    }
    CloseHandle(readEnd);
  }

  ~BoardServerProcess() { Stop(); }
  BoardServerProcess(const BoardServerProcess&) = delete;
  BoardServerProcess& operator=(const BoardServerProcess&) = delete;

  const std::string& Address() const { return address_; }

  void Stop(int = 0) {
    if (process_ == nullptr) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
    process_ = nullptr;
  }

 private:
  HANDLE process_ = nullptr;
  std::string address_;
};
#else
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
#endif
