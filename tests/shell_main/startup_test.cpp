// Start-up steps: converter switch, debug marker, build record, library load.
#include "shell/startup.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "platform/ui/headless_ui.h"
#include "resources/templates.h"
#include "formats/build_record.h"
#include "shell/main_window.h"
#include "tests/shell_main/panel_fixture.h"
#include "tests/support/link_fixture.h"

namespace vt::shell {
namespace {

using namespace vt::formats;

using testing::TempDir;

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(Startup, ConverterSwitchIsASubstringTest) {
  EXPECT_TRUE(IsConverterMode("-c"));
  EXPECT_TRUE(IsConverterMode("--board virtual -config"));
  EXPECT_FALSE(IsConverterMode(""));
  EXPECT_FALSE(IsConverterMode("c- -x"));

  TempDir dir;
  WriteAll(dir.path / "usbfw.elf", std::string("\x01\x00\x02\x00\x03", 5));
  vt::testing::LinkFixture lf;
  EXPECT_TRUE(RunConverterMode(lf.link, dir.path));
  EXPECT_EQ(ReadAll(dir.path / "usbfw.vt"), std::string("\x01\x00\x03\x00", 4));
}

TEST(Startup, DebugMarkerReplacesTheLogAndRecordsTheArguments) {
  TempDir dir;
  platform::DebugLog log;
  WriteAll(dir.path / "debug.log", "stale");
  EXPECT_FALSE(StartDebugLogIfMarked(log, dir.path, "-x"));
  EXPECT_FALSE(log.On());
  EXPECT_EQ(ReadAll(dir.path / "debug.log"), "stale");

  WriteAll(dir.path / "debug.cmd", "contents are never read");
  ASSERT_TRUE(StartDebugLogIfMarked(log, dir.path, ""));
  EXPECT_TRUE(log.On());
  log.Close();
  EXPECT_EQ(ReadAll(dir.path / "debug.log"), "CmdLine: \r\n");
}

TEST(Startup, MarkerLogAndRecordNamesTakenByPipesOrFoldersNeitherHangNorAreReplaced) {
  TempDir dir;
  platform::DebugLog log;
  // A FIFO named debug.cmd once blocked the start in open().
  ASSERT_EQ(::mkfifo((dir.path / "debug.cmd").c_str(), 0600), 0);
  EXPECT_FALSE(StartDebugLogIfMarked(log, dir.path, ""));
  std::filesystem::remove(dir.path / "debug.cmd");
  // A folder of that name is not the marker.
  std::filesystem::create_directory(dir.path / "debug.cmd");
  EXPECT_FALSE(StartDebugLogIfMarked(log, dir.path, ""));
  EXPECT_FALSE(std::filesystem::exists(dir.path / "debug.log"));
  std::filesystem::remove(dir.path / "debug.cmd");

  // With the marker, a folder named debug.log is kept and logging stays off.
  WriteAll(dir.path / "debug.cmd", "");
  std::filesystem::create_directory(dir.path / "debug.log");
  EXPECT_FALSE(StartDebugLogIfMarked(log, dir.path, ""));
  EXPECT_FALSE(log.On());
  EXPECT_TRUE(std::filesystem::is_directory(dir.path / "debug.log"));

  // A FIFO named build.dat once blocked the start as well.
  ASSERT_EQ(::mkfifo((dir.path / "build.dat").c_str(), 0600), 0);
  EXPECT_EQ(UpdateBuildRecord(dir.path, "\"/bin/sh\"", 76), BuildRecordResult::kNoRecordFile);
  EXPECT_TRUE(std::filesystem::is_fifo(dir.path / "build.dat"));
}

TEST(Startup, LibraryLoadFailureShowsTheFatalMessage) {
  platform::HeadlessUi ui(resources::BuiltInTemplates());
  vt::testing::LinkFixture lf;
  EXPECT_TRUE(LoadBoardLibraries(ui, lf.link));
  EXPECT_TRUE(ui.Script().MessageBoxes().empty());

  lf.hid.loadResult = false;
  EXPECT_FALSE(LoadBoardLibraries(ui, lf.link));
  ASSERT_EQ(ui.Script().MessageBoxes().size(), 1u);
  const auto& box = ui.Script().MessageBoxes()[0].request;
  EXPECT_EQ(box.text, "Unable to open system DLL's:\nsetupapi.dll or hid.dll");
  EXPECT_EQ(box.caption, "DLL Fatal Error");
  EXPECT_EQ(box.owner, platform::kNoWindow);
  EXPECT_EQ(box.buttons, platform::MessageButtons::Ok);
  EXPECT_TRUE(ui.WindowsOf(resources::kMainWindow).empty());
}

TEST(BuildRecord, ProgramPathFromTheCommandLine) {
  EXPECT_EQ(ProgramPathFromCommandLine("\"/opt/velo track/panel\" -x"), "/opt/velo track/panel");
  EXPECT_EQ(ProgramPathFromCommandLine("/usr/bin/panel"), "/usr/bin/panel");
  // Unquoted arguments stay part of the path, so the lookup fails.
  EXPECT_EQ(ProgramPathFromCommandLine("/usr/bin/panel -x"), "/usr/bin/panel -x");
  EXPECT_EQ(ProgramPathFromCommandLine(""), "");
  EXPECT_EQ(ProgramPathFromCommandLine("\""), "\"");
}

TEST(BuildRecord, FileTimeAndRecordBytes) {
  using namespace std::chrono;
  const auto epoch = file_clock::from_sys(time_point_cast<nanoseconds>(sys_days{1970y / 1 / 1}));
  EXPECT_EQ(ToFileTime(epoch), 116444736000000000ull);
  EXPECT_EQ(ToFileTime(epoch + seconds(1)), 116444736010000000ull);

  const uint64_t t = 0x0102030405060708ull;
  const std::vector<uint8_t> shortRecord{1, 2, 3, 4, 5};
  const auto rec = UpdatedBuildRecord(shortRecord, t, 76);
  ASSERT_TRUE(rec.has_value());
  EXPECT_EQ(*rec, (BuildRecord{76, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1}));
  EXPECT_FALSE(UpdatedBuildRecord(*rec, t, 76).has_value());
  // Equal times leave even a different build number alone.
  const BuildRecord other{9, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1};
  EXPECT_FALSE(UpdatedBuildRecord(other, t, 76).has_value());
}

TEST(BuildRecord, OnlyAnExistingRecordIsUpdatedAndOnlyWhenTheProgramChanged) {
  TempDir dir;
  const auto program = dir.path / "velotrack panel";
  WriteAll(program, "program");
  const std::string commandLine = "\"" + program.string() + "\" --board virtual";

  EXPECT_EQ(UpdateBuildRecord(dir.path, commandLine, kBuildNumber),
            BuildRecordResult::kNoRecordFile);
  EXPECT_FALSE(std::filesystem::exists(dir.path / "build.dat"));

  WriteAll(dir.path / "build.dat", "short");
  EXPECT_EQ(UpdateBuildRecord(dir.path, commandLine, kBuildNumber), BuildRecordResult::kUpdated);
  const std::string first = ReadAll(dir.path / "build.dat");
  ASSERT_EQ(first.size(), 12u);
  EXPECT_EQ(first.substr(0, 4), std::string("\x4C\x00\x00\x00", 4));
  EXPECT_EQ(UpdateBuildRecord(dir.path, commandLine, kBuildNumber), BuildRecordResult::kUnchanged);
  EXPECT_EQ(ReadAll(dir.path / "build.dat"), first);

  EXPECT_EQ(UpdateBuildRecord(dir.path, program.string() + " --board virtual", kBuildNumber),
            BuildRecordResult::kNoProgramFile);
  EXPECT_EQ(ReadAll(dir.path / "build.dat"), first);
}

}  // namespace
}  // namespace vt::shell
