// The profiles report text and the viewer launch.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "profiles/profile_model.h"
#include "profiles/profiles_report.h"
#include "tests/support/posix_only.h"
#include "tests/support/temp_path.h"

namespace vt::profiles {
namespace {

constexpr ReportTime kTime{8, 12, 2026, 5, 7};
constexpr char kDateLines[] = "\nDate: 8/12/2026, Time: 5:7\n\n";

WordTable Profile(uint16_t camera, uint16_t method, uint16_t program, uint16_t mode) {
  WordTable w{};
  w[word::kCamera] = camera;
  w[word::kControlMethod] = method;
  w[word::kProgram] = program;
  w[word::kControlMode] = mode;
  return w;
}

WordTables NoneSelected() {
  WordTables t{};
  for (WordTable& w : t) w[word::kCamera] = 0xFFFF;
  return t;
}

TEST(ProfilesReportTest, NothingSelectedGivesOnlyTheDate) {
  EXPECT_EQ(WriteProfilesReport(NoneSelected(), kTime), kDateLines);
  WordTables t = NoneSelected();
  t[1] = Profile(0x4001, 1, 1, 16);  // set 2 alone is not reported
  EXPECT_EQ(WriteProfilesReport(t, kTime), kDateLines);
}

TEST(ProfilesReportTest, ProgramLineOnlyForUsbPtp) {
  WordTables t = NoneSelected();
  t[0] = Profile(0x4002, 1, 2, 16);  // G5/G6 over USB/PTP
  t[1] = Profile(0x4002, 2, 2, 20);  // same camera over IR
  const std::string expected = std::string(kDateLines) +
                               "Set #1: LEDs: R - - G\n\n"
                               "Camera: Canon PowerShot G5/G6\n"
                               "Control Method: USB/PTP\n"
                               "Program: Shutter priority\n"
                               "Control Mode: Auto: Intervalometer\n\n\n"
                               "Set #2: LEDs: - R - G\n\n"
                               "Camera: Canon PowerShot G5/G6\n"
                               "Control Method: IR\n"
                               "Control Mode: Auto: Panorama (CH0=Pan)\n\n\n";
  EXPECT_EQ(WriteProfilesReport(t, kTime), expected);
}

TEST(ProfilesReportTest, StopsAtTheFirstUnselectedSet) {
  WordTables t = NoneSelected();
  t[0] = Profile(0xFFFE, 3, 0, 1);
  t[1] = Profile(0x1B46, 7, 0, 64);
  t[3] = Profile(0x4001, 1, 1, 16);
  const std::string text = WriteProfilesReport(t, kTime);
  EXPECT_NE(text.find("Set #1: LEDs: R - - G\n"), std::string::npos);
  EXPECT_NE(text.find("Set #2: LEDs: - R - G\n\nCamera: Panasonic Pro Video (BETA)\n"
                      "Control Method: PORT/VT\n"
                      "Control Mode: RC Receiver (PWM Signals) Tester: CH0-CH2\n"),
            std::string::npos);
  EXPECT_EQ(text.find("Set #4"), std::string::npos);
  EXPECT_EQ(text.find("Program:"), std::string::npos);
}

TEST(ProfilesReportTest, TextsAreWhatTheSelectorsShow) {
  // Codes missing from a list show the list's first entry, as the selector
  // falls back to it; an unknown camera code shows "- Not Selected -".
  WordTables t = NoneSelected();
  t[0] = Profile(813, 1, 0, 99);  // IR camera with a USB/PTP method code
  t[1] = Profile(0x1234, 1, 1, 1);
  EXPECT_EQ(WriteProfilesReport(t, kTime), std::string(kDateLines) +
                                                "Set #1: LEDs: R - - G\n\n"
                                                "Camera: Any Canon with IR\n"
                                                "Control Method: IR\n"
                                                "Control Mode: Manual: RC receiver (CH0=Shoot, "
                                                "CH1=Zoom, CH2=Alt)\n\n\n");
}

TEST(ProfilesReportTest, SavedReportReplacesTheOldFile) {
  const auto path = vt::test::TempPath("vt_report_test.txt");
  ASSERT_TRUE(SaveProfilesReport(path, std::string(5000, 'x')));
  ASSERT_TRUE(SaveProfilesReport(path, "short\n"));
  std::string content;
  {
    std::ifstream in(path, std::ios::binary);
    content.assign(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_EQ(content, "short\n");
  std::filesystem::remove(path);
  EXPECT_FALSE(SaveProfilesReport(path / "not-a-folder" / "x.txt", "x"));
  // A folder in the report's place is kept, not emptied and replaced.
  std::filesystem::create_directories(path);
  std::string error;
  EXPECT_FALSE(SaveProfilesReport(path, "x", &error));
  EXPECT_NE(error.find("directory"), std::string::npos) << error;
  EXPECT_TRUE(std::filesystem::is_directory(path));
  std::filesystem::remove_all(path);
}

TEST(ProfilesReportTest, CurrentTimeIsPlausible) {
  const ReportTime t = CurrentUtcReportTime();
  EXPECT_GE(t.year, 2024);
  EXPECT_GE(t.month, 1);
  EXPECT_LE(t.month, 12);
  EXPECT_LE(t.hour, 23);
  EXPECT_LE(t.minute, 59);
}

class TextViewerTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = vt::test::TempPath("vt_viewer_test");
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "bin");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path Program(const std::string& name, const std::string& content, bool exec) {
    const auto p = dir_ / "bin" / name;
    std::ofstream(p) << content;
    namespace fs = std::filesystem;
    const auto runnable = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    fs::permissions(p, runnable, exec ? fs::perm_options::add : fs::perm_options::remove);
    return p;
  }

  std::filesystem::path dir_;
};

TEST_F(TextViewerTest, PicksVisualThenEditorThenXdgOpen) {
  VT_POSIX_ONLY("$VISUAL, $EDITOR and xdg-open (Windows opens the report in Notepad)");
  const std::string bin = (dir_ / "bin").string();
  Program("xdg-open", "#!/bin/sh\n", true);
  Program("ed1", "#!/bin/sh\n", true);
  Program("noexec", "#!/bin/sh\n", false);

  auto argv = ResolveTextViewer("r.txt", {"ed1 -w --new", "", bin});
  ASSERT_TRUE(argv);
  EXPECT_EQ(*argv, (std::vector<std::string>{bin + "/ed1", "-w", "--new", "r.txt"}));

  argv = ResolveTextViewer("r.txt", {"missing", "noexec", "/nowhere:" + bin});
  ASSERT_TRUE(argv);
  EXPECT_EQ(*argv, (std::vector<std::string>{bin + "/xdg-open", "r.txt"}));

  argv = ResolveTextViewer("r.txt", {"", (dir_ / "bin" / "ed1").string(), "/nowhere"});
  ASSERT_TRUE(argv);
  EXPECT_EQ(argv->front(), bin + "/ed1");

  EXPECT_FALSE(ResolveTextViewer("r.txt", {"", "", "/nowhere"}));
  EXPECT_FALSE(OpenTextViewer("r.txt", ViewerEnvironment{"", "", "/nowhere"}));
}

TEST_F(TextViewerTest, ReportsWhetherTheViewerStarted) {
  VT_POSIX_ONLY("$VISUAL, $EDITOR and xdg-open (Windows opens the report in Notepad)");
  const std::string bin = (dir_ / "bin").string();
  Program("ok-viewer", "#!/bin/sh\nexit 0\n", true);
  EXPECT_TRUE(OpenTextViewer("r.txt", ViewerEnvironment{"ok-viewer", "", bin}));
  // Executable bit but no runnable content: the exec fails and is reported.
  Program("broken", std::string("\x7f" "ELF garbage"), true);
  EXPECT_FALSE(OpenTextViewer("r.txt", ViewerEnvironment{"broken", "", bin}));
}

}  // namespace
}  // namespace vt::profiles
