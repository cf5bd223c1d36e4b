// Infrared recording to pulse list.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/infrared_recording.h"
#include "tests/shell_main/panel_fixture.h"

namespace vt::shell {
namespace {

using namespace vt::formats;

// A recording: 42 header bytes, then the samples.
std::vector<uint8_t> Recording(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> bytes(kInfraredFirstSample, 0);
  for (const int16_t s : samples) {
    bytes.push_back(static_cast<uint8_t>(s & 0xFF));
    bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
  }
  return bytes;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(InfraredPulseText, RunsBecomeMicrosecondsAndTheLastRunIsDropped) {
  // Low 2, high 3, low 2 (dropped); 61 counts as high, 60 and negatives as low.
  EXPECT_EQ(InfraredPulseText(Recording({0, -300, 61, 100, 32767, 60, 0})), "0_45, 1_68, ");
  EXPECT_EQ(InfraredPulseText(Recording({100, 100, 0})), "1_45, ");
  EXPECT_EQ(InfraredPulseText(Recording({60, 60, 60, -32768})), "");
  // Bytes before offset 42 are no samples, nor is a trailing odd byte.
  auto bytes = Recording({0, 100});
  bytes[40] = 0xFF;
  bytes[41] = 0x7F;
  bytes.push_back(0x7F);
  EXPECT_EQ(InfraredPulseText(bytes), "0_22, ");
  EXPECT_EQ(InfraredPulseText(std::vector<uint8_t>(43, 0)), "");
}

TEST(InfraredPulseText, StopsBeforeTheFirstEntryThatDoesNotFit) {
  std::vector<int16_t> samples;
  for (int i = 0; i < 49979; ++i) samples.push_back(i % 2 == 0 ? 0 : 1000);
  const auto bytes = Recording(samples);
  ASSERT_LE(bytes.size(), kInfraredReadLimit);
  EXPECT_EQ(InfraredPulseText(bytes, 20), "0_22, 1_22, 0_22, ");
  const std::string full = InfraredPulseText(bytes);
  EXPECT_EQ(full.size(), 9996u);  // 1666 whole entries of 6 bytes
  EXPECT_EQ(full.substr(full.size() - 6), "1_22, ");
}

TEST(InfraredOutputName, CharacterAfterTheFirstDotOfTheFileName) {
  EXPECT_EQ(InfraredOutputName("ir.wav"), "ir.~av");
  EXPECT_EQ(InfraredOutputName("rec.2/ir.x.wav"), "rec.2/ir.~.wav");
  EXPECT_EQ(InfraredOutputName("rec/ir"), "rec/ir~");
  EXPECT_EQ(InfraredOutputName("ir."), "ir.~");
}

TEST(ConvertInfraredFile, WritesBesideTheInputAndNeverOverTheInput) {
  testing::TempDir dir;
  const auto input = dir.path / "ir.wav";
  const auto bytes = Recording({0, 0, 100, 0});
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::ofstream(dir.path / "ir.~av") << "old text that is longer";

  InfraredResult r = ConvertInfraredFile(input);
  EXPECT_TRUE(r.written);
  EXPECT_EQ(ReadAll(dir.path / "ir.~av"), "0_45, 1_22, ");

  // An unreadable input still gives an (empty) output file.
  r = ConvertInfraredFile(dir.path / "missing.wav");
  EXPECT_TRUE(r.written);
  EXPECT_TRUE(std::filesystem::exists(dir.path / "missing.~av"));
  EXPECT_EQ(ReadAll(dir.path / "missing.~av"), "");

  // Converting an output again would name the input itself.
  r = ConvertInfraredFile(dir.path / "ir.~av");
  EXPECT_FALSE(r.written);
  EXPECT_EQ(ReadAll(dir.path / "ir.~av"), "0_45, 1_22, ");
}

TEST(ConvertInfraredFile, PipesAndFoldersAreRefusedAndACutTextIsSaid) {
  testing::TempDir dir;
  // A FIFO as the recording used to hang the panel; now it is refused.
  ASSERT_EQ(::mkfifo((dir.path / "pipe.wav").c_str(), 0600), 0);
  InfraredResult r = ConvertInfraredFile(dir.path / "pipe.wav");
  EXPECT_FALSE(r.written);
  EXPECT_NE(r.error.find("FIFO"), std::string::npos) << r.error;
  EXPECT_FALSE(std::filesystem::exists(dir.path / "pipe.~av"));

  // A folder in the output's place is kept, not emptied and replaced.
  const auto bytes = Recording({0, 100, 0, 100, 0});
  std::ofstream(dir.path / "ir.wav", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::filesystem::create_directories(dir.path / "ir.~av" / "inside");
  r = ConvertInfraredFile(dir.path / "ir.wav");
  EXPECT_FALSE(r.written);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path / "ir.~av" / "inside"));

  // A recording with more pulses than the text holds says it was cut.
  std::vector<int16_t> many;
  for (int i = 0; i < 4000; ++i) many.push_back(i % 2 == 0 ? 100 : 0);
  const auto busy = Recording(many);
  ASSERT_LE(busy.size(), kInfraredReadLimit);
  std::ofstream(dir.path / "busy.wav", std::ios::binary)
      .write(reinterpret_cast<const char*>(busy.data()), static_cast<std::streamsize>(busy.size()));
  r = ConvertInfraredFile(dir.path / "busy.wav");
  EXPECT_TRUE(r.written);
  EXPECT_TRUE(r.cut);
  EXPECT_LE(r.textBytes, kInfraredTextLimit);
  EXPECT_FALSE(ConvertInfraredFile(dir.path / "ir.wav").cut);
}

TEST(ConvertInfraredFile, TheIrButtonUsesTheWholeLongNameAndTellsWhatWentWrong) {
  testing::PanelFixture f(true);
  f.Start();
  // Well past 100 characters, with a two-byte character in the name: the
  // name was once cut at 100 bytes.
  const auto folder = f.backups.path / std::string(60, 'd');
  std::filesystem::create_directories(folder);
  const std::string stem = std::string(50, 'a') + "\xc3\xa9" + "-end";
  const auto input = folder / (stem + ".wav");
  ASSERT_GT(input.string().size(), 100u);
  const auto bytes = Recording({100, 0});
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const platform::WindowHandle page = f.panel.DebugPage();
  ASSERT_TRUE(f.ui.UserEnterText(page, resources::debug_page::kFirmwareFile, input.string()));
  ASSERT_TRUE(f.ui.UserClick(page, resources::debug_page::kInfrared));
  EXPECT_EQ(ReadAll(folder / (stem + ".~av")), "1_22, ");
  // Only the recording and its conversion: no file with a cut-off name.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                          std::filesystem::directory_iterator()),
            2);

  const size_t boxes = f.ui.Script().MessageBoxes().size();
  ASSERT_EQ(::mkfifo((folder / "pipe.wav").c_str(), 0600), 0);
  ASSERT_TRUE(f.ui.UserEnterText(page, resources::debug_page::kFirmwareFile,
                                 (folder / "pipe.wav").string()));
  ASSERT_TRUE(f.ui.UserClick(page, resources::debug_page::kInfrared));
  ASSERT_EQ(f.ui.Script().MessageBoxes().size(), boxes + 1);
  EXPECT_NE(f.ui.Script().MessageBoxes().back().request.text.find("FIFO"), std::string::npos);
}

TEST(ConvertInfraredFile, TheIrButtonUsesTheFileField) {
  testing::PanelFixture f(true);
  f.Start();
  const auto input = f.backups.path / "button.wav";
  const auto bytes = Recording({100, 0});
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const platform::WindowHandle page = f.panel.DebugPage();
  ASSERT_TRUE(f.ui.UserClick(page, resources::debug_page::kInfrared));  // empty field: nothing
  ASSERT_TRUE(f.ui.UserEnterText(page, resources::debug_page::kFirmwareFile, input.string()));
  ASSERT_TRUE(f.ui.UserClick(page, resources::debug_page::kInfrared));
  EXPECT_EQ(ReadAll(f.backups.path / "button.~av"), "1_22, ");
}

}  // namespace
}  // namespace vt::shell
