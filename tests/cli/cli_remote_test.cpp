#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "../remote/board_server_process.h"
#include "cli/cli_app.h"

#ifdef VT_BOARD_SERVER

namespace {

namespace fs = std::filesystem;

std::string Output(const std::vector<std::string>& args, int* code) {
  std::ostringstream out, err;
  *code = vt::cli::RunCli(args, out, err);
  return out.str() + err.str();
}

// The same fresh board in-process and behind the server gives the same
// answers: the remote path changes the transport, nothing else.
TEST(CliOverBoardServer, UnixSocketBoardAnswersLikeTheInProcessOne) {
  const fs::path dir = fs::temp_directory_path() / ("vt_cli_remote_" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct RemoveDir {
    fs::path path;
    ~RemoveDir() { fs::remove_all(path); }
  } cleanup{dir};
  const std::string address = "unix:" + (dir / "board.sock").string();
  BoardServerProcess server(VT_BOARD_SERVER, {"serve", "--listen", address});
  ASSERT_EQ(server.Address(), address);

  int code = 0;
  const auto remoteRead = Output({"--board", address, "read", "0xE0000", "300"}, &code);
  EXPECT_EQ(code, 0) << remoteRead;
  const auto localRead = Output({"--board", "virtual", "read", "0xE0000", "300"}, &code);
  EXPECT_EQ(remoteRead, localRead);

  const auto remoteInfo = Output({"--board", address, "info"}, &code);
  EXPECT_EQ(code, 0) << remoteInfo;
  const auto localInfo = Output({"--board", "virtual", "info"}, &code);
  // Only the device path differs.
  EXPECT_EQ(remoteInfo.substr(remoteInfo.find('\n')), localInfo.substr(localInfo.find('\n')));

  const auto command = Output({"--board", address, "command", "0x60", "0", "0", "0", "0"}, &code);
  EXPECT_EQ(code, 0) << command;

  server.Stop();
  // A server that is gone is not a board that is missing.
  const auto gone = Output({"--board", address, "info"}, &code);
  EXPECT_EQ(code, 5) << gone;
  EXPECT_NE(gone.find("Board server unreachable: " + address + " ("), std::string::npos) << gone;
  EXPECT_EQ(gone.find("no board found"), std::string::npos) << gone;

  // A server whose board cannot be opened has no board to offer.
  BoardServerProcess refusing(VT_BOARD_SERVER, {"serve", "--listen", address, "--refuse-open"});
  ASSERT_EQ(refusing.Address(), address);
  const auto none = Output({"--board", address, "info"}, &code);
  EXPECT_EQ(code, 3) << none;
  EXPECT_NE(none.find("no board found"), std::string::npos) << none;
}

}  // namespace

#endif
