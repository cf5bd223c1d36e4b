#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
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
  std::string address = TestListenAddress(dir / "board.sock");
  BoardServerProcess server(VT_BOARD_SERVER, {"serve", "--listen", address});
  if (address.ends_with(":0")) address = server.Address();  // the port a TCP server took
  ASSERT_FALSE(address.empty());
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

// Two boards behind one server: nothing that changes a board guesses which,
// --serial picks one, and an unknown serial is no board at all.
TEST(CliOverBoardServer, SerialPicksOneOfSeveralBoards) {
  const fs::path dir = fs::temp_directory_path() / ("vt_cli_two_" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct RemoveDir {
    fs::path path;
    ~RemoveDir() { fs::remove_all(path); }
  } cleanup{dir};
  std::string address = TestListenAddress(dir / "two.sock");
  BoardServerProcess server(VT_BOARD_SERVER, {"serve", "--listen", address, "--preset", "standard", "--preset",
                                              "r", "--serial", "W0000000001", "--serial", "R0000000002"});
  if (address.ends_with(":0")) address = server.Address();  // the port a TCP server took
  ASSERT_FALSE(address.empty());
  ASSERT_EQ(server.Address(), address);
  int code = 0;
  const auto devices = Output({"--board", address, "devices"}, &code);
  EXPECT_EQ(code, 0);
  EXPECT_NE(devices.find("serial \"W0000000001\"  reports 65/65  board: standard board"), std::string::npos) << devices;
  EXPECT_NE(devices.find("serial \"R0000000002\"  reports 65/65  board: R-board"), std::string::npos) << devices;

  for (const std::vector<std::string>& change : {std::vector<std::string>{"reset"},
                                                 {"profiles", "set", "set1.interval=2 min", "--yes"},
                                                 {"profiles", "clear", "--yes"}}) {
    std::vector<std::string> args = {"--board", address};
    args.insert(args.end(), change.begin(), change.end());
    const auto refused = Output(args, &code);
    EXPECT_EQ(code, 8) << refused;
    EXPECT_NE(refused.find("W0000000001, R0000000002; choose one with --serial"), std::string::npos) << refused;
  }
  const auto unknown = Output({"--board", address, "--serial", "X9", "info"}, &code);
  EXPECT_EQ(code, 3) << unknown;
  EXPECT_NE(unknown.find("no board with serial X9"), std::string::npos) << unknown;

  const auto picked = Output({"--board", address, "--serial", "R0000000002", "info"}, &code);
  EXPECT_EQ(code, 0) << picked;
  EXPECT_NE(picked.find("Variant:              R-board"), std::string::npos) << picked;
  const auto set = Output({"--board", address, "--serial", "R0000000002", "profiles", "set", "set1.interval=2 min",
                           "--yes", "--backup-dir", (dir / "b").string()},
                          &code);
  ASSERT_EQ(code, 0) << set;
  EXPECT_NE(Output({"--board", address, "--serial", "R0000000002", "profiles", "get", "set1.interval"}, &code)
                .find("\"2 min\""),
            std::string::npos);
  EXPECT_EQ(Output({"--board", address, "--serial", "W0000000001", "profiles", "get", "set1.interval"}, &code)
                .find("\"2 min\""),
            std::string::npos);
}

// A board's serial is whatever the board says: in JSON it arrives escaped,
// never as a control character on the reader's terminal or in a parser.
TEST(CliOverBoardServer, JsonCarriesControlCharactersEscaped) {
  const fs::path dir = fs::temp_directory_path() / ("vt_cli_esc_" + std::to_string(getpid()));
  fs::create_directories(dir);
  struct RemoveDir {
    fs::path path;
    ~RemoveDir() { fs::remove_all(path); }
  } cleanup{dir};
  std::string address = TestListenAddress(dir / "esc.sock");
  const std::string serial = "W\x1b]0;owned\x07\n1";
  BoardServerProcess server(VT_BOARD_SERVER, {"serve", "--listen", address, "--serial", serial});
  if (address.ends_with(":0")) address = server.Address();  // the port a TCP server took
  ASSERT_FALSE(address.empty());
  ASSERT_EQ(server.Address(), address);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"devices", "--json"},
                                              {"info", "--json"}}) {
    std::vector<std::string> all = {"--board", address};
    all.insert(all.end(), args.begin(), args.end());
    int code = 0;
    std::ostringstream out, err;
    code = vt::cli::RunCli(all, out, err);
    ASSERT_EQ(code, 0) << err.str();
    const std::string text = out.str();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(std::count_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
              1) << text;  // the line end only
    EXPECT_FALSE(nlohmann::json::parse(text, nullptr, false).is_discarded()) << text;
  }
}

}  // namespace

#endif
