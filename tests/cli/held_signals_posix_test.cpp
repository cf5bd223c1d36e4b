// The real `velotrack` program against the real board server: stop signals
// sent while a profile write erases or programs the block wait for the block
// to be complete and verified; a file-size limit is a write error; a write
// the server acknowledged survives the server being killed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../remote/board_server_process.h"
#include "cli/cli_app.h"

#if defined(VT_BOARD_SERVER) && defined(VT_CLI_PROGRAM)

namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The command line program as a child process, its output in files.
class ProgramRun {
 public:
  ProgramRun(const fs::path& dir, const std::vector<std::string>& args, rlim_t fileSizeLimit = RLIM_INFINITY)
      : out_(dir / "out.txt"), err_(dir / "err.txt") {
    pid_ = fork();
    if (pid_ == 0) {
      const int o = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int e = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int in = open("/dev/null", O_RDONLY);
      dup2(o, STDOUT_FILENO);
      dup2(e, STDERR_FILENO);
      dup2(in, STDIN_FILENO);
      const rlimit limit{fileSizeLimit, fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
      std::vector<char*> argv{const_cast<char*>(VT_CLI_PROGRAM)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(VT_CLI_PROGRAM, argv.data());
      _exit(127);
    }
  }
  void Signal(int sig) const { kill(pid_, sig); }
  // The exit status, or -signal when a signal ended the program.
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
  std::string Err() const { return FileText(err_); }
  std::string Out() const { return FileText(out_); }

 private:
  pid_t pid_ = -1;
  fs::path out_, err_;
};

// How many flash reports with command `wireCode` (the fourth byte of the
// report) the server's traffic log shows.
size_t CommandsSeen(const fs::path& log, const std::string& wireCode) {
  size_t seen = 0;
  std::istringstream lines(FileText(log));
  for (std::string line; std::getline(lines, line);) {
    const auto bytes = line.find(" : ");
    if (line.find(" write ") == std::string::npos || bytes == std::string::npos) continue;
    std::istringstream hex(line.substr(bytes + 3));
    std::string b0, b1, b2, b3;
    if (hex >> b0 >> b1 >> b2 >> b3 && b3 == wireCode) ++seen;
  }
  return seen;
}

// Waits (bounded) until the log shows more such commands than `before`.
bool AwaitCommand(const fs::path& log, const std::string& wireCode, size_t before) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < until) {
    if (CommandsSeen(log, wireCode) > before) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

struct Served {
  explicit Served(const std::string& name)
      : dir(fs::temp_directory_path() / (name + std::to_string(getpid()))),
        address((fs::create_directories(dir), "unix:" + (dir / "board.sock").string())) {}
  ~Served() { fs::remove_all(dir); }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  int Cli(const std::vector<std::string>& args, std::string* err = nullptr) const {
    std::vector<std::string> all{"--board", address};
    all.insert(all.end(), args.begin(), args.end());
    std::ostringstream out, errs;
    const int code = vt::cli::RunCli(all, out, errs);
    if (err != nullptr) *err = out.str() + errs.str();
    return code;
  }
  // The seven sets on the board (the body of an all-sets file).
  std::string BoardSets() const {
    fs::remove(Path("board.dat"));
    if (Cli({"profiles", "read", "-o", Path("board.dat")}) != 0) return {};
    return FileText(Path("board.dat")).substr(48);
  }
  fs::path dir;
  std::string address;
};

TEST(HeldStopSignals, ATermOrHangupDuringTheWriteWaitsForTheVerifiedBlock) {
  Served s("vt_held_signals_");
  BoardServerProcess server(VT_BOARD_SERVER, {"serve", "--listen", s.address, "--latency", "4",
                                              "--traffic-log", s.Path("traffic.log")});
  ASSERT_EQ(server.Address(), s.address);
  // Two files that differ, so each write changes the block.
  ASSERT_EQ(s.Cli({"profiles", "read", "-o", s.Path("a.dat")}), 0);
  std::string err;
  ASSERT_EQ(s.Cli({"profiles", "set", "--file", s.Path("a.dat"), "set3.interval=10 sec"}, &err), 0) << err;
  ASSERT_EQ(s.Cli({"profiles", "read", "-o", s.Path("b.dat")}), 0);

  struct Case {
    int sig;
    const char* file;
    const char* atCommand;  // erase (0xC1) or commit (0xA1) on the wire
  };
  for (const Case c : {Case{SIGTERM, "a.dat", "C1"}, Case{SIGHUP, "b.dat", "A1"}, Case{SIGQUIT, "a.dat", "A1"}}) {
    SCOPED_TRACE(c.sig);
    const size_t before = CommandsSeen(s.Path("traffic.log"), c.atCommand);
    ProgramRun run(s.dir, {"--board", s.address, "profiles", "write", s.Path(c.file), "--yes", "--backup-dir",
                           s.Path("backups")});
    ASSERT_TRUE(AwaitCommand(s.Path("traffic.log"), c.atCommand, before));
    run.Signal(c.sig);
    const int status = run.Wait();
    const std::string out = run.Err();
    EXPECT_EQ(status, 128 + c.sig) << out;
    EXPECT_NE(out.find("): the board holds the new settings, written and verified"), std::string::npos) << out;
    EXPECT_EQ(s.BoardSets(), FileText(s.Path(c.file)).substr(48));
  }
}

// A file-size limit the output file or a backup would pass is a failed
// write (exit 7), never a program killed with part of a file left behind.
TEST(HeldStopSignals, AFileSizeLimitIsAWriteError) {
  Served s("vt_fsize_");
  const fs::path out = s.dir / "all.toml";
  ProgramRun run(s.dir, {"--board", "virtual", "profiles", "read", "-o", out.string()}, 1024);
  EXPECT_EQ(run.Wait(), 7) << run.Err();
  EXPECT_NE(run.Err().find("error: "), std::string::npos);
  EXPECT_FALSE(fs::exists(out));
  for (const auto& entry : fs::directory_iterator(s.dir)) {
    EXPECT_TRUE(entry.path().filename() == "out.txt" || entry.path().filename() == "err.txt") << entry.path();
  }
  // A backup cut short by the limit is no backup, and nothing is erased
  // without one.
  const fs::path backups = s.dir / "backups";
  ProgramRun clear(s.dir, {"--board", "virtual", "profiles", "clear", "--yes", "--backup-dir", backups.string()},
                   1024);
  EXPECT_EQ(clear.Wait(), 7) << clear.Err();
  EXPECT_NE(clear.Err().find("Nothing was written to Velotrack."), std::string::npos) << clear.Err();
  if (fs::exists(backups)) {
    for (const auto& entry : fs::recursive_directory_iterator(backups)) {
      EXPECT_FALSE(entry.is_regular_file()) << entry.path();
    }
  }
}

// What the server acknowledged is on disk: a server killed right after a
// write said OK starts again with the written block.
TEST(BoardServerFlashFile, AnAcknowledgedWriteSurvivesTheServerBeingKilled) {
  Served s("vt_flash_sync_");
  const std::vector<std::string> serve{"serve", "--listen", s.address, "--flash-file", s.Path("flash.bin")};
  std::string err;
  {
    BoardServerProcess server(VT_BOARD_SERVER, serve);
    ASSERT_EQ(server.Address(), s.address);
    ASSERT_EQ(s.Cli({"profiles", "get", "set3.interval"}, &err), 0);
    ASSERT_EQ(err.find("10 sec"), std::string::npos) << err;
    ASSERT_EQ(s.Cli({"profiles", "set", "set3.interval=10 sec", "--yes", "--backup-dir", s.Path("backups")}, &err),
              0)
        << err;
    // At once, before the line has been quiet long enough for a save.
    server.Stop(SIGKILL);
  }
  fs::remove(s.Path("board.sock"));
  BoardServerProcess again(VT_BOARD_SERVER, serve);
  ASSERT_EQ(again.Address(), s.address);
  ASSERT_EQ(s.Cli({"profiles", "get", "set3.interval"}, &err), 0) << err;
  EXPECT_EQ(err, "set3.interval = \"10 sec\"\n");
}

}  // namespace

#endif
