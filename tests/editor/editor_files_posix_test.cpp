// The report viewer on POSIX systems: with no viewer to be found, the
// message says where the report file was written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "editor/editor_files.h"
#include "tests/editor/editor_files_fixture.h"

namespace vt::profiles {
namespace {

TEST_F(EditorFilesTest, ReportWithoutViewerSaysWhereTheFileIs) {
  const char* oldPath = std::getenv("PATH");
  const std::string keep = oldPath ? oldPath : "";
  ::setenv("PATH", "", 1);
  ::unsetenv("VISUAL");
  ::unsetenv("EDITOR");
  const auto report = dir_ / "profiles.txt";
  EXPECT_TRUE(ShowProfilesReport(ed, report));
  ::setenv("PATH", keep.c_str(), 1);
  ASSERT_TRUE(std::filesystem::exists(report));
  ASSERT_FALSE(h.Script().MessageBoxes().empty());
  EXPECT_NE(h.Script().MessageBoxes().back().request.text.find(report.string()), std::string::npos);
  const auto text = FileBytes(report);
  EXPECT_NE(std::string(text.begin(), text.end()).find("Set #1: LEDs: R - - G"), std::string::npos);
}

}  // namespace
}  // namespace vt::profiles
