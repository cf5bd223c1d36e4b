// The firmware commands of the main window and the Debug page: questions,
// the message poll stop and restart, and the result in the status field.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "flash/firmware_version.h"
#include "flash/stored_image.h"
#include "resources/resource_ids.h"
#include "shell/main_window.h"
#include "tests/shell_main/panel_fixture.h"
#include "tests/support/temp_path.h"

namespace vt::shell {
namespace {

using platform::MessageAnswer;
using testing::PanelFixture;
namespace mw = resources::main_window;
namespace dp = resources::debug_page;
namespace menu = resources::menu;

constexpr uint32_t kIgnoredWrite = 60;

bool PollRunning(PanelFixture& f) { return f.ui.TimerPeriod(f.main, kMessagePollTimer).has_value(); }

TEST(FirmwareCommands, OldBoardIsOfferedTheBuiltInUpgradeAfterStartUp) {
  PanelFixture f(false);
  f.Start(/*answerOffer=*/true);
  ASSERT_TRUE(f.offered);
  f.ui.Script().QueueAnswer(MessageAnswer::Yes);
  f.ui.RunPending();

  const auto& boxes = f.ui.Script().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].request.text, "Old firmware detected!\n\nWould you like to perform an upgrade?");
  EXPECT_EQ(boxes[0].request.caption, "Firmware Upgrade");
  EXPECT_EQ(f.Status(), "OK");
  EXPECT_FALSE(f.panel.ErrorFlag());
  EXPECT_EQ(f.ui.TimerPeriod(f.main, kMessagePollTimer), 1u);
  EXPECT_TRUE(f.ui.WindowsOf(resources::kProgressWindow).empty());
  flash::FirmwareVersion v;
  ASSERT_TRUE(flash::ReadBoardFirmwareVersion(f.link, &v));
  EXPECT_EQ(v.minor, 6);
  EXPECT_EQ(v.build, 76);
  // The field shows what the board runs now, not what it ran before.
  EXPECT_EQ(f.ui.GetText(f.main, mw::kFirmware), "Firmware version: 2.6.76");
}

TEST(FirmwareCommands, AnotherBoardRefreshesTheFirmwareAndSerialFields) {
  PanelFixture f(false);
  f.Start();
  ASSERT_EQ(f.ui.GetText(f.main, mw::kFirmware), "Firmware version: 2.5.10");
  const std::string firstSerial = f.ui.GetText(f.main, mw::kSerial);

  f.hid.RemoveBoard(f.hid.Paths().front());
  sim::BoardConfig other = sim::BoardConfig::Standard('V');
  other.firmwareMinor = 4;
  other.firmwareBuild = 3;
  f.hid.AddBoard(std::move(other));
  // The poll finds it: a failed open looks for a board again.
  for (int tick = 0; tick < 3; ++tick) ASSERT_TRUE(f.ui.FireTimer(f.main, kMessagePollTimer));

  EXPECT_EQ(f.ui.GetText(f.main, mw::kFirmware), "Firmware version: 2.4.3");
  EXPECT_NE(f.ui.GetText(f.main, mw::kSerial), firstSerial);
  EXPECT_EQ(f.Status(), "OK");
}

TEST(FirmwareCommands, AFailedUpdateShowsFailedAndThePollFollowsTheCheckBox) {
  PanelFixture f(true);
  f.Start();
  const platform::WindowHandle page = f.panel.DebugPage();
  ASSERT_TRUE(f.ui.UserEnterText(page, dp::kFirmwareFile, "/nonexistent/usbfw.elf"));
  // Unchecked without its command: the timer runs until the update stops it.
  f.ui.SetCheck(f.main, mw::kGetMessages, false);
  ASSERT_TRUE(PollRunning(f));
  f.ui.Script().QueueAnswer(MessageAnswer::Yes);
  ASSERT_TRUE(f.ui.UserClick(page, dp::kFlash));

  EXPECT_EQ(f.Status(), "Failed");
  EXPECT_TRUE(f.panel.ErrorFlag());
  EXPECT_FALSE(PollRunning(f));
  // The step that failed is named, as the command line names it; the
  // unreadable file is refused before any question.
  ASSERT_EQ(f.ui.Script().MessageBoxes().size(), 1u);
  const auto& box = f.ui.Script().MessageBoxes()[0].request;
  EXPECT_EQ(box.text.rfind("The update failed: open failed: ", 0), 0u) << box.text;
  EXPECT_EQ(box.caption, "Firmware Upgrade");
  // Checked again: the next update restarts the poll.
  f.ui.SetCheck(f.main, mw::kGetMessages, true);
  f.ui.Script().QueueAnswer(MessageAnswer::Yes);
  f.panel.OnCommand(f.main, mw::kUpdateFirmware);  // hidden button: no file name field
  EXPECT_EQ(f.Status(), "Failed");
  EXPECT_TRUE(PollRunning(f));
  EXPECT_EQ(f.ui.Script().Unscripted(), 0u);
}

TEST(FirmwareCommands, AFailedWriteNamesTheStepAndTheBackup) {
  PanelFixture f(false);
  f.Start();
  sim::FaultPlan plan;
  plan.ignoreWrite = kIgnoredWrite;  // a program report after the backup is taken
  f.Board().ArmFaults(plan);
  f.ui.Script().QueueAnswer(MessageAnswer::Yes);
  ASSERT_TRUE(f.ui.UserChooseMenu(f.main, menu::kUpdateFirmware));

  EXPECT_EQ(f.Status(), "Failed");
  const auto& boxes = f.ui.Script().MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  const std::string& text = boxes[1].request.text;
  EXPECT_EQ(text.rfind("The update failed: verify at 0x", 0), 0u) << text;
  // The backup the message names is there and holds the block as it was.
  const std::string saved = "the info block as it was is saved in ";
  const size_t at = text.find(saved);
  ASSERT_NE(at, std::string::npos) << text;
  const std::string path = text.substr(at + saved.size(), text.find(" (", at) - at - saved.size());
  EXPECT_EQ(std::filesystem::path(path).parent_path().parent_path(), f.backups.path);
  EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
}

TEST(FirmwareCommands, AnsweringNoChangesNothing) {
  PanelFixture f(true);
  f.Start();
  f.panel.SetStatusText("before");
  f.ui.SetCheck(f.main, mw::kGetMessages, false);
  const auto restartsBefore = f.Board().RestartCount();

  f.ui.Script().QueueAnswer(MessageAnswer::No);
  ASSERT_TRUE(f.ui.UserChooseMenu(f.main, menu::kUpdateFirmware));
  // The bootloader file is checked before the question, so it has to be
  // a usable image for the question to come.
  const auto image = *flash::DecodeStoredImage(flash::kStandardImageResource);
  const auto file = vt::test::TempPath("vt-boot") ;
  {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  }
  ASSERT_TRUE(f.ui.UserEnterText(f.panel.DebugPage(), dp::kFirmwareFile, file.string()));
  f.ui.Script().QueueAnswer(MessageAnswer::No);
  ASSERT_TRUE(f.ui.UserClick(f.panel.DebugPage(), dp::kFlashBootloader));
  std::filesystem::remove(file);

  const auto& boxes = f.ui.Script().MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].request.text, "Are you sure?");
  EXPECT_EQ(boxes[1].request.caption, "Bootloader Upgrade");
  EXPECT_EQ(f.Status(), "before");
  EXPECT_TRUE(PollRunning(f));  // never stopped
  EXPECT_EQ(f.Board().RestartCount(), restartsBefore);
}

TEST(FirmwareCommands, BootloaderUpdateShowsNoResultAndResendsGetMessages) {
  PanelFixture f(true);
  f.Start();
  const platform::WindowHandle page = f.panel.DebugPage();
  ASSERT_TRUE(f.ui.UserEnterText(page, dp::kFirmwareFile, "/nonexistent/boot.elf"));
  f.panel.SetStatusText("before");
  for (bool getMessages : {false, true}) {
    f.ui.SetCheck(f.main, mw::kGetMessages, getMessages);
    f.ui.Script().QueueAnswer(MessageAnswer::Yes);
    ASSERT_TRUE(f.ui.UserClick(page, dp::kFlashBootloader));
    EXPECT_EQ(f.Status(), "before");
    EXPECT_EQ(PollRunning(f), getMessages);
  }
}

}  // namespace
}  // namespace vt::shell
