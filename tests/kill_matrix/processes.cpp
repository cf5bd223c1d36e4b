#include "tests/kill_matrix/processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace vt::kill_matrix {

namespace {

using std::chrono::milliseconds;
using Steady = std::chrono::steady_clock;

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Cases run on several threads: the child only calls what is safe after a
// fork there (no allocation), so argv is built before.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, int outFd, int errFd) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  if (outFd >= 0) dup2(outFd, STDOUT_FILENO);
  if (errFd >= 0) dup2(errFd, STDERR_FILENO);
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0) dup2(devNull, STDIN_FILENO);
  execv(program.c_str(), argv.data());
  _exit(127);
}

int StatusCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

Child::Child(const std::string& program, const std::vector<std::string>& args,
             const std::filesystem::path& outputStem)
    : outPath_(outputStem.string() + ".out"), errPath_(outputStem.string() + ".err") {
  const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_ = Spawn(program, args, out, err);
  close(out);
  close(err);
}

Child::~Child() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
}

void Child::Signal(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

std::optional<Finished> Child::WaitFor(milliseconds wait) {
  if (pid_ <= 0) return std::nullopt;
  const auto until = Steady::now() + wait;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      pid_ = -1;
      return Finished{StatusCode(status), Slurp(outPath_), Slurp(errPath_)};
    }
    if (Steady::now() >= until) return std::nullopt;
    std::this_thread::sleep_for(milliseconds(2));
  }
}

Finished Run(const std::string& program, const std::vector<std::string>& args,
             const std::filesystem::path& outputStem) {
  Child child(program, args, outputStem);
  if (auto done = child.WaitFor(milliseconds(60000))) return *done;
  return Finished{-1, "", "did not end within 60 s"};
}

ServerChild::ServerChild(const std::string& program, const std::filesystem::path& socket,
                         const std::vector<std::string>& args)
    : socket_(socket) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  std::vector<std::string> all = {"serve", "--listen", "unix:" + socket.string()};
  all.insert(all.end(), args.begin(), args.end());
  pid_ = Spawn(program, all, pipeFds[1], -1);
  close(pipeFds[1]);
  out_ = pipeFds[0];
  up_ = WaitLine("velotrack-board: serving", milliseconds(10000)).has_value();
}

ServerChild::~ServerChild() { Stop(); }

std::optional<std::string> ServerChild::WaitLine(const std::string& prefix, milliseconds wait) {
  const auto until = Steady::now() + wait;
  for (;;) {
    for (size_t nl; (nl = pending_.find('\n')) != std::string::npos;) {
      std::string line = pending_.substr(0, nl);
      pending_.erase(0, nl + 1);
      if (line.rfind(prefix, 0) == 0) return line;
    }
    const auto left = std::chrono::duration_cast<milliseconds>(until - Steady::now()).count();
    if (out_ < 0 || left <= 0) return std::nullopt;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buf[512];
    const ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) {
      close(out_);
      out_ = -1;
      continue;
    }
    pending_.append(buf, static_cast<size_t>(n));
  }
}

void ServerChild::Resume() const {
  if (pid_ > 0) kill(pid_, SIGUSR1);
}

std::vector<std::string> ServerChild::Stop() {
  std::vector<std::string> lines;
  if (pid_ <= 0) return lines;
  kill(pid_, SIGTERM);
  while (auto line = WaitLine("", milliseconds(5000))) lines.push_back(*line);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  if (out_ >= 0) close(out_);
  out_ = -1;
  return lines;
}

}  // namespace vt::kill_matrix
