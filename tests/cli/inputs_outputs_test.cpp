// What the command line refuses before it touches a board or a file: profile
// files that are not what the panel writes, an output that is one of the
// inputs, and a --serial two boards answer to.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "../remote/board_server_process.h"
#include "tests/support/posix_only.h"
#include "cli/cli_app.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
  int code = 0;
  std::string out, err;
};

CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliRun r;
  r.code = vt::cli::RunCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

std::vector<uint8_t> Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()),
                                                             static_cast<std::streamsize>(bytes.size()));
}

class InputsOutputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("vt_inputs_outputs_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

// Each file is refused with exit 6 and the file and its fault named, before
// anything goes to the board (the trace of HID traffic stays empty).
TEST_F(InputsOutputsTest, BadProfileFilesAreRefusedWithNothingSent) {
  ASSERT_EQ(Cli({"--board", "virtual", "profiles", "read", "-o", Path("good.dat")}).code, 0);
  const std::vector<uint8_t> good = Bytes(Path("good.dat"));
  ASSERT_EQ(good.size(), 608u);
  std::mt19937 random(20);
  auto noise = [&random](size_t n) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(random());
    return v;
  };
  auto withBody = [&good](const std::vector<uint8_t>& body) {
    std::vector<uint8_t> v(good.begin(), good.begin() + 48);
    v.insert(v.end(), body.begin(), body.end());
    return v;
  };
  std::vector<uint8_t> oneKindAllSize = good;
  oneKindAllSize[2] = '1';
  std::vector<uint8_t> unknownKind = good;
  unknownKind[2] = '5';
  std::vector<uint8_t> badInterval = good;
  badInterval[48 + 80 + 30] = 0x67;  // set 2's interval code 4711
  badInterval[48 + 80 + 31] = 0x12;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* fault;
  } cases[] = {
      {"header-and-noise.dat", withBody(noise(604)),
       "652 bytes: larger than any profile file (608 bytes for all sets, 128 for one)"},
      {"noise-of-the-right-size.dat", withBody(noise(560)), "is not one of the values the page offers"},
      {"one-set-kind-all-sets-size.dat", oneKindAllSize, "a file of one set is 128 bytes"},
      {"unknown-kind.dat", unknownKind, "neither '0' (all sets) nor '1' (one set)"},
      {"odd-interval.dat", badInterval, "set2.interval: 4711 is not one of the values the page offers"},
      {"cut.dat", std::vector<uint8_t>(good.begin(), good.begin() + 300), "too short"},
  };
  for (const auto& c : cases) Put(Path(c.name), c.bytes);
  Put(Path("huge.dat"), good);
  fs::resize_file(Path("huge.dat"), 100u << 20);

  std::vector<std::pair<std::string, std::string>> all;
  for (const auto& c : cases) all.emplace_back(c.name, c.fault);
  all.emplace_back("huge.dat", "104857600 bytes: larger than any profile file");
  for (const auto& [name, fault] : all) {
    SCOPED_TRACE(name);
    const std::string trace = Path("trace-" + name);
    const CliRun write = Cli({"--board", "virtual", "--trace", trace, "profiles", "write", Path(name), "--yes",
                           "--backup-dir", Path("backups")});
    EXPECT_EQ(write.code, 6) << write.err;
    EXPECT_NE(write.err.find("error: " + Path(name) + ": "), std::string::npos) << write.err;
    EXPECT_NE(write.err.find(fault), std::string::npos) << write.err;
    EXPECT_TRUE(!fs::exists(trace) || fs::file_size(trace) == 0);
    for (const char* command : {"convert", "show"}) {
      const CliRun r = command == std::string("convert") ? Cli({"profiles", "convert", Path(name), Path("x.toml")})
                                                      : Cli({"profiles", "show", "--file", Path(name)});
      EXPECT_EQ(r.code, 6) << command << ": " << r.err;
    }
  }
  // What the panel wrote goes through.
  const CliRun write = Cli({"--board", "virtual", "profiles", "write", Path("good.dat"), "--yes", "--backup-dir",
                         Path("backups")});
  EXPECT_EQ(write.code, 0) << write.err;
}

TEST_F(InputsOutputsTest, AnOutputThatIsTheInputByAnotherNameIsRefused) {
  ASSERT_EQ(Cli({"--board", "virtual", "profiles", "read", "-o", Path("x.toml")}).code, 0);
  const std::vector<uint8_t> before = Bytes(Path("x.toml"));
  fs::create_hard_link(Path("x.toml"), Path("hard.dat"));
  for (const std::string& out : {Path("hard.dat"), Path("x.toml")}) {
    SCOPED_TRACE(out);
    const CliRun r = Cli({"profiles", "convert", Path("x.toml"), out});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("is the input file"), std::string::npos) << r.err;
    EXPECT_EQ(Bytes(Path("x.toml")), before);
  }
}

TEST_F(InputsOutputsTest, AnOutputThatLinksToTheInputIsRefused) {
  VT_POSIX_ONLY("symbolic links without a privilege (Windows asks for one, Wine has none)");
  ASSERT_EQ(Cli({"--board", "virtual", "profiles", "read", "-o", Path("x.toml")}).code, 0);
  const std::vector<uint8_t> before = Bytes(Path("x.toml"));
  fs::create_symlink(Path("x.toml"), Path("link.dat"));
  const CliRun r = Cli({"profiles", "convert", Path("x.toml"), Path("link.dat")});
  EXPECT_EQ(r.code, 2) << r.err;
  EXPECT_NE(r.err.find("is the input file"), std::string::npos) << r.err;
  EXPECT_EQ(Bytes(Path("x.toml")), before);
  // Firmware images likewise.
  fs::create_symlink(Path("x.toml"), Path("image.vt"));
  EXPECT_EQ(Cli({"firmware", "convert", Path("x.toml"), Path("image.vt")}).code, 2);
  EXPECT_EQ(Bytes(Path("x.toml")), before);
}

#ifdef VT_BOARD_SERVER
// Two boards that give the same serial cannot be told apart: --serial
// refuses to pick one (exit 8), for reading as for writing.
TEST_F(InputsOutputsTest, ASerialTwoBoardsShareIsRefused) {
  std::string address = TestListenAddress(Path("board.sock"));
  const std::string serial = "W10000471102.05";
  BoardServerProcess server(VT_BOARD_SERVER, {"serve", "--listen", address, "--preset", "standard", "--preset",
                                              "standard", "--serial", serial, "--serial", serial});
  if (address.ends_with(":0")) address = server.Address();  // the port a TCP server took
  ASSERT_FALSE(address.empty());
  ASSERT_EQ(server.Address(), address);
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"info"}, std::vector<std::string>{"profiles", "clear", "--yes"}}) {
    std::vector<std::string> args{"--board", address, "--serial", serial};
    args.insert(args.end(), command.begin(), command.end());
    const CliRun r = Cli(args);
    EXPECT_EQ(r.code, 8) << r.err;
    EXPECT_NE(r.err.find("2 boards at '" + address + "' have serial " + serial), std::string::npos) << r.err;
  }
}
#endif

}  // namespace
