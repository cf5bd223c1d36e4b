// Inputs that are pipes or devices: the converter must refuse them without
// waiting for a writer or reading forever.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "flash/image_converter.h"
#include "tests/support/temp_path.h"

namespace vt::flash {
namespace {

TEST(ImageConverter, RefusesPipesAndDevices) {
  const auto dir = vt::test::TempPath("vt_converter_pipes_test");
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::string error;
  ASSERT_EQ(::mkfifo((dir / "usbfw.elf").c_str(), 0600), 0);
  EXPECT_FALSE(ConvertImageFile(dir, &error));  // must not wait for a writer
  EXPECT_NE(error.find("FIFO"), std::string::npos) << error;
  EXPECT_FALSE(ConvertImage("/dev/zero", dir / "out.vt", &error));
  EXPECT_FALSE(std::filesystem::exists(dir / "out.vt"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vt::flash
