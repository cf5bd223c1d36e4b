// The velotrack-board executable: options, serving, flash kept on exit.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host_reports.h"
#include "sim/board/board_config.h"
#include "sim/board/virtual_board.h"

namespace vt::sim {
namespace {

class ServerProcess {
 public:
  explicit ServerProcess(std::vector<std::string> args) {
    std::string program = VT_BOARD_SERVER;
    std::vector<char*> argv{program.data()};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::close(out[0]);
      ::close(out[1]);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    // The server says so once it listens; reading blocks until then.
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n') banner_ += c;
    ::close(out[0]);
  }
  ~ServerProcess() { Stop(); }

  const std::string& Banner() const { return banner_; }
  int Stop() {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  std::string banner_;
};

std::vector<uint8_t> Frame(std::vector<uint8_t> body) {
  std::vector<uint8_t> f = testing::Le32Bytes(static_cast<uint32_t>(body.size()));
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

std::vector<uint8_t> Exchange(int fd, const std::vector<uint8_t>& body) {
  const auto f = Frame(body);
  EXPECT_EQ(::send(fd, f.data(), f.size(), 0), static_cast<ssize_t>(f.size()));
  uint8_t head[4];
  if (::recv(fd, head, 4, MSG_WAITALL) != 4) return {};
  const uint32_t len = head[0] | head[1] << 8 | head[2] << 16 | uint32_t{head[3]} << 24;
  std::vector<uint8_t> out(len);
  if (len && ::recv(fd, out.data(), len, MSG_WAITALL) != static_cast<ssize_t>(len)) return {};
  return out;
}

TEST(ServerProcess, ServesTheChosenBoardAndKeepsItsFlash) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("vt_sim_server_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string sock = (dir / "s").string();
  const std::string flash = (dir / "board.flash").string();
  {
    ServerProcess server({"serve", "--listen", "unix:" + sock, "--preset", "legacy",
                          "--serial", "1234", "--flash-file", flash});
    ASSERT_NE(server.Banner().find("serving 1 board(s)"), std::string::npos) << server.Banner();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::strncpy(sa.sun_path, sock.c_str(), sizeof sa.sun_path - 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);

    const auto devices = Exchange(fd, {0x01});
    ASSERT_GE(devices.size(), 8u);
    EXPECT_EQ(devices[4], 1) << "one board";
    const std::string path = "virtual:0";
    const size_t serialAt = 4 + 1 + 2 + path.size() + 6;
    EXPECT_EQ(devices[serialAt], 4) << "serial of 4 units";
    EXPECT_EQ(devices[serialAt + 1], '1');

    std::vector<uint8_t> open{0x02, static_cast<uint8_t>(path.size()), 0};
    open.insert(open.end(), path.begin(), path.end());
    const auto opened = Exchange(fd, open);
    ASSERT_EQ(opened.size(), 8u);
    EXPECT_EQ(opened[0], 0);
    auto write = [&](std::vector<uint8_t> report) {
      std::vector<uint8_t> body{0x04};
      body.insert(body.end(), opened.begin() + 4, opened.end());
      for (uint8_t b : testing::Le32Bytes(500)) body.push_back(b);
      body.push_back(static_cast<uint8_t>(report.size()));
      body.push_back(0);
      body.insert(body.end(), report.begin(), report.end());
      return Exchange(fd, body);
    };
    EXPECT_EQ(write(testing::FlashReport(33, 0xF1, 0xF0, 0x20220)),
              (std::vector<uint8_t>{0, 0, 0, 0}));
    write(testing::FlashReport(33, 0xC1, 0, 0xE0000));
    ::close(fd);
    EXPECT_EQ(server.Stop(), 0);
  }
  BoardConfig config = BoardConfig::Legacy();
  config.serial = u"1234";
  VirtualBoard board(config);
  ASSERT_TRUE(board.LoadFlash(flash));
  EXPECT_EQ(board.Peek(0xE0000, 512), std::vector<uint8_t>(512, 0xFF));
  VirtualBoard fresh(config);
  EXPECT_EQ(board.Peek(0xE0200, 1536), fresh.Peek(0xE0200, 1536)) << "other sectors untouched";
  std::filesystem::remove_all(dir);
}

TEST(ServerProcess, AFlashFileItCannotLoadStopsTheServerAndIsKept) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("vt_sim_server_flash_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string sock = "unix:" + (dir / "s").string();
  // Another board's flash, a file that is not one at all, and a folder:
  // each used to be overwritten with fresh flash.
  const std::string foreign = (dir / "r.flash").string();
  {
    VirtualBoard r(BoardConfig::VariantR());
    ASSERT_TRUE(r.SaveFlash(foreign));
  }
  const auto foreignSize = std::filesystem::file_size(foreign);
  const std::string text = (dir / "notes.txt").string();
  { std::FILE* f = std::fopen(text.c_str(), "wb"); std::fputs("keep me", f); std::fclose(f); }
  const std::string folder = (dir / "folder.flash").string();
  std::filesystem::create_directories(folder);

  for (const std::string& file : {foreign, text, folder}) {
    ServerProcess server({"serve", "--listen", sock, "--preset", "standard", "--flash-file", file});
    EXPECT_EQ(server.Banner(), "") << file;
    EXPECT_EQ(server.Stop(), 2) << file;
  }
  EXPECT_EQ(std::filesystem::file_size(foreign), foreignSize);
  EXPECT_EQ(std::filesystem::file_size(text), 7u);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  std::filesystem::remove_all(dir);
}

TEST(ServerProcess, RefusesUnknownPresetsAndForeignAddresses) {
  ServerProcess preset({"serve", "--listen", "unix:/tmp/vt_never", "--preset", "nonesuch"});
  EXPECT_EQ(preset.Stop(), 2);
  ServerProcess address({"serve", "--listen", "tcp:10.0.0.1:4700"});
  EXPECT_EQ(address.Stop(), 2);
}

}  // namespace
}  // namespace vt::sim
