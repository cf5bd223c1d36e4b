#include "tests/support/board_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vt::testing {

namespace {

// Waits up to `wait` for the child to exit; its status, or false.
bool Reap(pid_t pid, std::chrono::milliseconds wait, int* status) {
  const auto until = std::chrono::steady_clock::now() + wait;
  for (;;) {
    const pid_t r = ::waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r < 0) return true;  // not our child any more
    if (std::chrono::steady_clock::now() >= until) return false;
    ::poll(nullptr, 0, 5);
  }
}

}  // namespace

BoardServer::BoardServer(std::string program, std::string socketPath)
    : program_(std::move(program)), socketPath_(std::move(socketPath)) {}

BoardServer::~BoardServer() { Stop(); }

bool BoardServer::Accepts() const {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  std::strncpy(sa.sun_path, socketPath_.c_str(), sizeof sa.sun_path - 1);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  ::close(fd);
  return ok;
}

bool BoardServer::Start(const std::vector<std::string>& extraArgs, std::string* error,
                        std::chrono::milliseconds wait) {
  Stop();
  if (socketPath_.size() >= sizeof(sockaddr_un{}.sun_path)) {
    *error = "socket path too long: " + socketPath_;
    return false;
  }
  std::error_code ec;
  std::filesystem::remove(socketPath_, ec);  // a stale socket from an earlier run

  std::vector<std::string> args{program_, "serve", "--listen", Address()};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ < 0) {
    *error = std::string("fork: ") + std::strerror(errno);
    return false;
  }
  if (pid_ == 0) {
    // The banner line is of no use here; errors still reach stderr.
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }

  const auto until = std::chrono::steady_clock::now() + wait;
  for (;;) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      *error = "board server exited with " +
               std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
      return false;
    }
    if (Accepts()) return true;
    if (std::chrono::steady_clock::now() >= until) {
      Stop();
      *error = "board server did not accept on " + socketPath_;
      return false;
    }
    ::poll(nullptr, 0, 2);
  }
}

int BoardServer::Stop(std::chrono::milliseconds wait) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  int status = 0;
  if (!Reap(pid_, wait, &status)) {
    ::kill(pid_, SIGKILL);
    Reap(pid_, std::chrono::milliseconds(5000), &status);
    status = -1;
  }
  pid_ = -1;
  std::error_code ec;
  std::filesystem::remove(socketPath_, ec);
  return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vt::testing
