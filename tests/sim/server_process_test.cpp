// The velotrack-board executable: options, serving, flash kept on exit.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host_reports.h"
#include "platform/program_text.h"
#include "platform/sockets/socket_os.h"
#include "sim/board/board_config.h"
#include "sim/board/virtual_board.h"
#include "tests/support/posix_only.h"

namespace vt::sim {
namespace {

#ifdef _WIN32
SOCKET Native(int fd) { return static_cast<SOCKET>(static_cast<unsigned>(fd)); }

// The server as a child process. Windows has no signal that asks it to
// stop: Stop() gives the exit status of a server that ended on its own, and
// -1 for one it had to end.
class ServerProcess {
 public:
  explicit ServerProcess(const std::vector<std::string>& args) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring command = L"\"" + platform::Widen(VT_BOARD_SERVER) + L"\"";
    for (const auto& a : args) command += L" \"" + platform::Widen(a) + L"\"";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = writeEnd;
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                       &info)) {
      process_ = info.hProcess;
      CloseHandle(info.hThread);
    }
    CloseHandle(writeEnd);
    // The server says so once it listens; reading blocks until then.
    char c = 0;
    DWORD got = 0;
    while (process_ != nullptr && ReadFile(readEnd, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
      if (c != '\r') banner_ += c;
    }
    CloseHandle(readEnd);
  }
  ~ServerProcess() { Stop(); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  const std::string& Banner() const { return banner_; }
  int Stop() {
    if (process_ == nullptr) return -1;
    int code = -1;
    if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
      DWORD exit = 0;
      if (GetExitCodeProcess(process_, &exit)) code = static_cast<int>(exit);
    } else {
      TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    return code;
  }

 private:
  HANDLE process_ = nullptr;
  std::string banner_;
};
#else
int Native(int fd) { return fd; }

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
#endif

std::vector<uint8_t> Frame(std::vector<uint8_t> body) {
  std::vector<uint8_t> f = testing::Le32Bytes(static_cast<uint32_t>(body.size()));
  f.insert(f.end(), body.begin(), body.end());
  return f;
}

std::vector<uint8_t> Exchange(int fd, const std::vector<uint8_t>& body) {
  const auto f = Frame(body);
  EXPECT_EQ(platform::sockets::SendSome(fd, f.data(), f.size()), static_cast<long>(f.size()));
  uint8_t head[4];
  if (::recv(Native(fd), reinterpret_cast<char*>(head), 4, MSG_WAITALL) != 4) return {};
  const uint32_t len = head[0] | head[1] << 8 | head[2] << 16 | uint32_t{head[3]} << 24;
  std::vector<uint8_t> out(len);
  if (len && ::recv(Native(fd), reinterpret_cast<char*>(out.data()), static_cast<int>(len), MSG_WAITALL) !=
                 static_cast<int>(len)) {
    return {};
  }
  return out;
}

TEST(ServerProcess, ServesTheChosenBoardAndKeepsItsFlash) {
  VT_POSIX_ONLY("SIGTERM, the request that lets the server save its flash and exit with 0");
  const auto dir = std::filesystem::temp_directory_path() /
                   ("vt_sim_server_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string sock = (dir / "s").string();
  const std::string flash = (dir / "board.flash").string();
  {
    ServerProcess server({"serve", "--listen", "unix:" + sock, "--preset", "legacy",
                          "--serial", "1234", "--flash-file", flash});
    ASSERT_NE(server.Banner().find("serving 1 board(s)"), std::string::npos) << server.Banner();
    const int fd = platform::sockets::OpenStream(AF_UNIX);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::strncpy(sa.sun_path, sock.c_str(), sizeof sa.sun_path - 1);
    ASSERT_EQ(::connect(Native(fd), reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);

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
    platform::sockets::CloseSocket(fd);
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
