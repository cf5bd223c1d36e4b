#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/debug_log.h"
#include "tests/support/temp_path.h"

namespace {

std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(DebugLog, WritesNothingWhileOff) {
  vt::platform::DebugLog log;
  EXPECT_FALSE(log.On());
  log.Printf("ignored %d\n", 1);  // must not crash without a stream
}

TEST(DebugLog, ReplacesOldLogAndWritesRecordsWithCrLf) {
  const auto dir = vt::test::TempPath("vt_debug_log_test");
  std::filesystem::create_directories(dir);
  const auto path = dir / "debug.log";
  { std::ofstream(path) << "old contents that must vanish"; }

  vt::platform::DebugLog log;
  ASSERT_TRUE(log.Open(path.string()));
  EXPECT_EQ(log.Level(), 1u);
  log.Printf("CmdLine: %s\n", "-x");
  log.Printf("\nADC_CH_CODE=%X", 0x32);
  log.Close();
  EXPECT_FALSE(log.On());
  EXPECT_EQ(ReadAll(path), "CmdLine: -x\r\n\r\nADC_CH_CODE=32");
  std::filesystem::remove_all(dir);
}

TEST(DebugLog, FailedCreateLeavesLevelOff) {
  vt::platform::DebugLog log;
  EXPECT_FALSE(log.Open("/nonexistent-dir/for/sure/debug.log"));
  EXPECT_EQ(log.Level(), 0u);
}

TEST(DebugLog, AFailedWriteIsReportedOnceAndAFolderIsNeverReplaced) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  vt::platform::DebugLog log;
  int reports = 0;
  std::string said;
  log.SetWriteFailureReporter([&](const std::string& message) {
    ++reports;
    said = message;
  });
  log.Attach(full);
  for (int i = 0; i < 50; ++i) log.Printf("%s\n", std::string(400, 'r').c_str());
  log.Close();
  std::fclose(full);
  EXPECT_EQ(reports, 1);
  EXPECT_NE(said.find("could not be written"), std::string::npos) << said;
  EXPECT_EQ(log.WriteFailure(), said);

  const auto dir = vt::test::TempPath("vt_debug_log_folder");
  std::filesystem::create_directories(dir / "debug.log");
  std::string error;
  EXPECT_FALSE(log.Open((dir / "debug.log").string(), &error));
  EXPECT_NE(error.find("directory"), std::string::npos) << error;
  EXPECT_TRUE(std::filesystem::is_directory(dir / "debug.log"));
  std::filesystem::remove_all(dir);
}

TEST(DebugLog, LongRecordIsWrittenWhole) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  vt::platform::DebugLog log;
  log.Attach(f);
  const std::string big(2000, 'x');
  log.Printf("%s", big.c_str());
  log.Close();
  EXPECT_EQ(std::ftell(f), 2000);
  std::fclose(f);
}

TEST(VirtualClock, SleepsAdvanceTimeWithoutWaiting) {
  vt::platform::VirtualClock clock(100);
  clock.SleepMs(6000);
  EXPECT_EQ(clock.NowMs(), 6100u);
  EXPECT_EQ(clock.ElapsedMs(), 6100u);
}

}  // namespace
