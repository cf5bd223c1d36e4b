// The `velotrack firmware` commands against a virtual board whose flash is
// kept in a file between runs.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "cli/cli_app.h"

namespace {

namespace fs = std::filesystem;

struct Run {
  int code = 0;
  std::string out;
  std::string err;
};

Run Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  Run r;
  r.code = vt::cli::RunCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

struct TempDir {
  TempDir() : path(fs::temp_directory_path() / ("vt_cli_firmware_" + std::to_string(::getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  fs::path path;
};

TEST(CliFirmware, VersionUpdateAndVersionAgain) {
  TempDir dir;
  const std::string board = "virtual:standard,file=" + (dir.path / "flash.bin").string();
  auto before = Cli({"--board", board, "firmware", "version"});
  ASSERT_EQ(before.code, 0) << before.err;
  EXPECT_TRUE(Has(before.out, "Board:    Firmware version: 2.5.10")) << before.out;
  EXPECT_TRUE(Has(before.out, "Built-in: 2.6.76"));
  EXPECT_TRUE(Has(before.out, "Old firmware detected"));

  const std::string backups = (dir.path / "backups").string();
  auto update = Cli({"--board", board, "firmware", "update", "--built-in", "--yes", "--backup-dir",
                     backups});
  ASSERT_EQ(update.code, 0) << update.err << update.out;
  EXPECT_TRUE(Has(update.out, "Old firmware detected!"));
  EXPECT_TRUE(Has(update.out, "USB Flash Upgrade: Updating "));
  EXPECT_TRUE(Has(update.out, "Info block saved to "));
  EXPECT_FALSE(fs::is_empty(backups));

  auto after = Cli({"--board", board, "firmware", "version"});
  EXPECT_TRUE(Has(after.out, "Board:    Firmware version: 2.6.76")) << after.out;
  EXPECT_TRUE(Has(after.out, "up to date"));
}

TEST(CliFirmware, UpdateArgumentsAreChecked) {
  auto both = Cli({"--board", "virtual", "firmware", "update", "x.elf", "--built-in", "--yes"});
  EXPECT_NE(both.code, 0);
  EXPECT_TRUE(Has(both.err, "either FILE.elf or --built-in"));
  auto missing = Cli({"--board", "virtual", "firmware", "update", "/nonexistent.elf", "--yes",
                      "--backup-dir", "/tmp"});
  EXPECT_EQ(missing.code, 6);  // refused input, nothing asked or sent
  EXPECT_TRUE(Has(missing.err, "/nonexistent.elf: application update refused")) << missing.err;
  EXPECT_FALSE(Has(missing.out, "Are you sure?"));
}

TEST(CliFirmware, ConvertAndInspect) {
  TempDir dir;
  const fs::path elf = VT_FIRMWARE_DIR "/standard/velotrack-standard.elf";
  const auto stored = dir.path / "usbfw.vt";
  auto convert = Cli({"firmware", "convert", elf.string(), stored.string()});
  ASSERT_EQ(convert.code, 0) << convert.err;
  EXPECT_EQ(fs::file_size(stored), fs::file_size(elf) / 2 * 2);

  for (const fs::path& file : {elf, stored}) {
    auto inspect = Cli({"firmware", "inspect", file.string()});
    ASSERT_EQ(inspect.code, 0) << inspect.err;
    EXPECT_TRUE(Has(inspect.out, file == elf ? "ELF image" : "stored image"));
    EXPECT_TRUE(Has(inspect.out, "standard board:"));
    EXPECT_TRUE(Has(inspect.out, "version          2.6.76"));
    EXPECT_TRUE(Has(inspect.out, "application      0x2800..")) << inspect.out;
    EXPECT_TRUE(Has(inspect.out, "identity record"));
  }
  auto r = Cli({"firmware", "inspect", VT_FIRMWARE_DIR "/r-board/velotrack-r.elf"});
  EXPECT_TRUE(Has(r.out, "R-board:"));
  EXPECT_TRUE(Has(r.out, "written from 0x80007000")) << r.out;

  std::ofstream(dir.path / "junk.bin") << "not an image";
  auto junk = Cli({"firmware", "inspect", (dir.path / "junk.bin").string()});
  EXPECT_NE(junk.code, 0);
}

}  // namespace

namespace {

// For the same file `inspect` prints the verdict `update` reaches, and
// `update` reaches it before it asks anything or touches the board.
TEST(CliFirmware, InspectAndUpdateReachTheSameVerdictBeforeAnyQuestion) {
  TempDir dir;
  const std::string board = "virtual:standard,file=" + (dir.path / "flash.bin").string();
  std::ifstream in(VT_FIRMWARE_DIR "/standard/velotrack-standard.elf", std::ios::binary);
  const std::string elf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Cut inside the application: loads when padded, but the region's end
  // marker is gone.
  const auto shortFile = dir.path / "short.elf";
  std::ofstream(shortFile, std::ios::binary) << elf.substr(0, 0x2900);
  const auto emptyFile = dir.path / "empty.elf";
  std::ofstream(emptyFile, std::ios::binary).flush();
  auto good = Cli({"firmware", "inspect", VT_FIRMWARE_DIR "/standard/velotrack-standard.elf"});
  EXPECT_TRUE(Has(good.out, "update: can update the application of standard boards: 0x2800.."));
  EXPECT_TRUE(Has(good.out, "update: application update refused for A/B-boards"));
  for (const auto& file : {shortFile, emptyFile}) {
    SCOPED_TRACE(file.string());
    auto inspect = Cli({"firmware", "inspect", file.string()});
    auto update = Cli({"--board", board, "firmware", "update", file.string(), "--backup-dir",
                       (dir.path / "b").string()});
    const auto at = inspect.out.find("update: application update refused for standard boards: ");
    if (file == emptyFile) {
      EXPECT_EQ(inspect.code, 6);
      EXPECT_TRUE(Has(inspect.err, "the file is empty")) << inspect.err;
      EXPECT_TRUE(Has(update.err, "the file is empty")) << update.err;
    } else {
      ASSERT_NE(at, std::string::npos) << inspect.out;
      const std::string verdict = inspect.out.substr(at + 8, inspect.out.find('\n', at) - at - 8);
      EXPECT_TRUE(Has(update.err, file.string() + ": " + verdict)) << update.err << "\n" << verdict;
    }
    EXPECT_EQ(update.code, 6);
    EXPECT_FALSE(Has(update.out, "Are you sure?"));
    EXPECT_FALSE(Has(update.out, "Info block saved"));
  }
}

}  // namespace

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// `firmware version --json` says what the text says, on boards with and
// without an upgrade to offer.
TEST(CliFirmware, VersionJsonAgreesWithTheText) {
  for (const char* board : {"virtual", "virtual:r", "virtual:legacy"}) {
    SCOPED_TRACE(board);
    const auto text = Cli({"--board", board, "firmware", "version"});
    const auto json = Cli({"--board", board, "firmware", "version", "--json"});
    ASSERT_EQ(json.code, text.code) << json.err;
    const auto j = nlohmann::json::parse(json.out);
    const auto lines = LinesOf(text.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Board:    " + (j["board"].is_null()
                                          ? std::string("unknown")
                                          : "Firmware version: " + j["board"].get<std::string>()));
    EXPECT_EQ(lines[1], "Built-in: " + (j["built_in"].is_null() ? std::string("unknown")
                                                                 : j["built_in"].get<std::string>()));
    EXPECT_EQ(lines.back(), j["verdict"].get<std::string>());
    EXPECT_EQ(j["built_in_refused"].is_null(), !Has(text.out, "cannot be applied to this board"));
  }
  const auto standard = nlohmann::json::parse(Cli({"--board", "virtual", "firmware", "version", "--json"}).out);
  EXPECT_EQ(standard["comparison"], "upgrade_available");
}

// `firmware inspect --json` reaches the same verdicts, variants and exit
// status as the text form, for a usable image and for refused files.
TEST(CliFirmware, InspectJsonAgreesWithTheText) {
  TempDir dir;
  std::ifstream in(VT_FIRMWARE_DIR "/standard/velotrack-standard.elf", std::ios::binary);
  const std::string elf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto shortFile = dir.path / "short.elf";
  std::ofstream(shortFile, std::ios::binary) << elf.substr(0, 0x2900);
  const auto junk = dir.path / "junk.bin";
  std::ofstream(junk) << "not an image";
  const auto empty = dir.path / "empty.elf";
  std::ofstream(empty, std::ios::binary).flush();
  for (const std::string& file : {std::string(VT_FIRMWARE_DIR "/standard/velotrack-standard.elf"),
                                 std::string(VT_FIRMWARE_DIR "/r-board/velotrack-r.vt"),
                                 shortFile.string(), junk.string(), empty.string()}) {
    SCOPED_TRACE(file);
    const auto text = Cli({"firmware", "inspect", file});
    const auto json = Cli({"firmware", "inspect", file, "--json"});
    EXPECT_EQ(json.code, text.code);
    EXPECT_EQ(json.err, text.err);
    const auto j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["file"], file);
    EXPECT_EQ(j["error"].is_null(), text.code == 0);
    if (!j["error"].is_null()) {
      EXPECT_TRUE(Has(text.err, j["error"].get<std::string>()));
    }

    // Each verdict line of the text, in order; six of them in JSON even
    // when the text has only its error line.
    std::vector<std::string> verdicts;
    for (const auto& line : LinesOf(text.out)) {
      if (line.rfind("update: ", 0) == 0) verdicts.push_back(line.substr(8));
    }
    ASSERT_EQ(j["updates"].size(), 6u);
    if (file != empty.string()) {
      ASSERT_EQ(verdicts.size(), 6u);
    }
    for (size_t i = 0; i < verdicts.size(); ++i) {
      const auto& u = j["updates"][i];
      EXPECT_EQ(u["verdict"], verdicts[i]);
      EXPECT_EQ(u["ok"].get<bool>(), verdicts[i].find(" refused ") == std::string::npos) << verdicts[i];
      EXPECT_EQ(u["failed_step"].is_null(), u["ok"].get<bool>());
    }

    // The variants the text describes, with their versions and regions.
    EXPECT_EQ(j["format"].is_null(), j["variants"].empty());
    if (!j["format"].is_null()) {
      EXPECT_TRUE(Has(text.out, file + ": " + (j["format"] == "elf" ? "ELF image" : "stored image")));
    }
    for (const auto& v : j["variants"]) {
      const std::string name = v["variant"];
      const auto at = text.out.find("\n" + name + ":\n");
      ASSERT_NE(at, std::string::npos) << name;
      // The variant's lines: up to the next one not indented.
      auto end = at + 1;
      while ((end = text.out.find('\n', end)) != std::string::npos && text.out.compare(end + 1, 2, "  ") == 0) ++end;
      const auto section = text.out.substr(at, end - at);
      if (!v["version"].is_null()) {
        EXPECT_TRUE(Has(section, "version          " + v["version"].get<std::string>()));
      }
      if (!v["application"].is_null()) {
        char line[96];
        std::snprintf(line, sizeof line, "application      0x%zx..0x%zx, written from 0x%x, %zu bytes",
                      v["application"]["start"].get<size_t>(), v["application"]["end"].get<size_t>(),
                      v["application"]["board_address"].get<unsigned>(), v["application"]["bytes"].get<size_t>());
        EXPECT_TRUE(Has(section, line)) << section;
      }
    }
  }
}

}  // namespace
