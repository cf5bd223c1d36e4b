// Opening a text file in the user's viewer: $VISUAL, $EDITOR or xdg-open,
// started directly (no shell) and left running on its own.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "profiles/profiles_report.h"

namespace vt::profiles {
namespace {

bool IsExecutableFile(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

// The program's full path: taken as is when it names a path, else the first
// executable match in the PATH folders. Empty PATH entries mean the current
// folder, as for the shell.
std::optional<std::filesystem::path> FindProgram(const std::string& program,
                                                 const std::string& pathVar) {
  if (program.empty()) return std::nullopt;
  if (program.find('/') != std::string::npos) {
    if (IsExecutableFile(program)) return std::filesystem::path(program);
    return std::nullopt;
  }
  size_t start = 0;
  while (start <= pathVar.size()) {
    size_t end = pathVar.find(':', start);
    if (end == std::string::npos) end = pathVar.size();
    const std::string dir = pathVar.substr(start, end - start);
    const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / program;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::string EnvOrEmpty(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

// Starts argv[0] detached (double fork, so no zombie is left behind) and
// reports whether the exec itself succeeded, through a close-on-exec pipe.
bool Spawn(const std::vector<std::string>& argv) {
  // Everything the child needs is prepared before fork: between fork and exec
  // only async-signal-safe calls are made.
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (child == 0) {
    ::close(fds[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
    ::execv(args[0], args.data());
    const int err = errno;
    [[maybe_unused]] const ssize_t n = ::write(fds[1], &err, sizeof err);
    ::_exit(127);
  }
  ::close(fds[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int err = 0;
  ssize_t n;
  do {
    n = ::read(fds[0], &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  ::close(fds[0]);
  const bool forked = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return forked && n == 0;  // no errno arrived: the exec went through
}

}  // namespace

ViewerEnvironment CurrentViewerEnvironment() {
  return {EnvOrEmpty("VISUAL"), EnvOrEmpty("EDITOR"), EnvOrEmpty("PATH")};
}

std::optional<std::vector<std::string>> ResolveTextViewer(const std::filesystem::path& file,
                                                          const ViewerEnvironment& env) {
  for (const std::string& command : {env.visual, env.editor, std::string("xdg-open")}) {
    std::vector<std::string> argv = SplitWords(command);
    if (argv.empty()) continue;
    const std::optional<std::filesystem::path> program = FindProgram(argv[0], env.path);
    if (!program) continue;
    argv[0] = program->string();
    argv.push_back(file.string());
    return argv;
  }
  return std::nullopt;
}

bool OpenTextViewer(const std::filesystem::path& file, const ViewerEnvironment& env) {
  const std::optional<std::vector<std::string>> argv = ResolveTextViewer(file, env);
  return argv && Spawn(*argv);
}

bool OpenTextViewer(const std::filesystem::path& file) {
  return OpenTextViewer(file, CurrentViewerEnvironment());
}

}  // namespace vt::profiles
