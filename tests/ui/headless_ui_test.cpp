#include "platform/ui/headless_ui.h"

#include <gtest/gtest.h>

#include <vector>

#include "resources/templates.h"

namespace vt::platform {
namespace {

namespace dp = resources::debug_page;
namespace mw = resources::main_window;

class HeadlessUiTest : public ::testing::Test {
 protected:
  HeadlessUiTest() : ui(resources::BuiltInTemplates()) {
    ui.SetEventHandler([this](const UiEvent& e) { events.push_back(e); });
    main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
    debug = ui.CreateDialogWindow(resources::kDebugPage, main);
  }

  HeadlessUi ui;
  std::vector<UiEvent> events;
  WindowHandle main = kNoWindow;
  WindowHandle debug = kNoWindow;
};

TEST_F(HeadlessUiTest, QuestionsAreAnsweredFromTheScriptAndRecorded) {
  ui.Script().QueueAnswer(MessageAnswer::Yes);
  // A plain notice neither needs nor takes a scripted answer.
  EXPECT_EQ(ui.MessageBox({kNoWindow, "Failed", "Error", MessageButtons::Ok}), MessageAnswer::Ok);
  EXPECT_EQ(ui.MessageBox({kNoWindow, "Are you sure?", "Firmware Upgrade", MessageButtons::YesNo}),
            MessageAnswer::Yes);
  EXPECT_EQ(ui.Script().Unscripted(), 0u);

  // Nothing queued: the answer that changes nothing, counted as unforeseen.
  EXPECT_EQ(ui.MessageBox({kNoWindow, "Delete info block?", "Info", MessageButtons::YesNo}),
            MessageAnswer::No);
  EXPECT_EQ(ui.Script().Unscripted(), 1u);

  // An unattended run may answer everything the same way.
  ui.Script().SetStandingAnswer(MessageAnswer::Yes);
  ui.Script().QueueAnswer(MessageAnswer::No);
  EXPECT_EQ(ui.MessageBox({kNoWindow, "q1", "c", MessageButtons::YesNo}), MessageAnswer::No);
  EXPECT_EQ(ui.MessageBox({kNoWindow, "q2", "c", MessageButtons::YesNo}), MessageAnswer::Yes);
  EXPECT_EQ(ui.Script().Unscripted(), 1u);

  const auto& shown = ui.Script().MessageBoxes();
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[1].request.text, "Are you sure?");
  EXPECT_EQ(shown[1].request.caption, "Firmware Upgrade");
  EXPECT_EQ(shown[1].request.buttons, MessageButtons::YesNo);
  EXPECT_EQ(shown[2].answer, MessageAnswer::No);
  EXPECT_FALSE(shown[2].scripted);
}

TEST_F(HeadlessUiTest, FileChoicesComeFromTheScriptAndCancelByDefault) {
  ui.Script().QueueFile("/tmp/fw.elf");
  ui.Script().QueueFile(std::nullopt);
  FileDialogRequest open{kNoWindow, FileDialogMode::Open, "Open a File",
                         {{"ELF", "*.elf"}, {"All", "*.*"}}, "*.bin", true};
  EXPECT_EQ(ui.ChooseFile(open), "/tmp/fw.elf");
  EXPECT_EQ(ui.ChooseFile(open), std::nullopt);
  EXPECT_EQ(ui.Script().Unscripted(), 0u);
  EXPECT_EQ(ui.ChooseFile(open), std::nullopt);
  EXPECT_EQ(ui.Script().Unscripted(), 1u);
  EXPECT_EQ(ui.Script().FileDialogs()[0].request.title, "Open a File");

  // A script of the caller's own replaces the built-in one.
  UiScript other;
  other.QueueAnswer(MessageAnswer::Yes);
  ui.SetScript(&other);
  EXPECT_EQ(ui.MessageBox({kNoWindow, "q", "c", MessageButtons::YesNo}), MessageAnswer::Yes);
  EXPECT_EQ(other.MessageBoxes().size(), 1u);
}

TEST_F(HeadlessUiTest, PostedCommandsRunLaterInOrderUntilQuit) {
  std::vector<uint16_t> ran;
  ui.SetEventHandler([&](const UiEvent& e) {
    ran.push_back(e.id);
    // A command posted while handling runs in the same pass, after the rest.
    if (e.id == 121) ui.PostCommand(main, 107);
    if (e.id == 5535) ui.PostQuit(0);
  });
  ui.PostCommand(main, 121);
  ui.PostCommand(main, 122);
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(ui.PendingEvents(), 2u);

  EXPECT_EQ(ui.RunPending(), 3u);
  EXPECT_EQ(ran, (std::vector<uint16_t>{121, 122, 107}));

  ui.PostCommand(main, 5535);
  ui.PostCommand(main, 124);  // never runs: the loop has ended
  EXPECT_EQ(ui.RunMessageLoop(), 0);
  EXPECT_EQ(ran.back(), 5535);
  EXPECT_EQ(ui.PendingEvents(), 1u);
}

TEST_F(HeadlessUiTest, PaintPumpingKeepsTheProgramsOwnCommands) {
  ui.PostCommand(main, 107);
  ui.PumpPaintMessages();
  ui.PumpPaintMessages();
  EXPECT_EQ(ui.PaintPumps(), 2u);
  EXPECT_EQ(ui.PendingEvents(), 1u);
}

TEST_F(HeadlessUiTest, TimersFireOnlyWhileRunning) {
  EXPECT_FALSE(ui.FireTimer(main, 504));
  ui.SetTimer(main, 504, 1);
  ui.SetTimer(main, 503, 1000);
  EXPECT_EQ(ui.TimerPeriod(main, 503), 1000u);
  EXPECT_TRUE(ui.FireTimer(main, 504));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, EventKind::Timer);
  EXPECT_EQ(events[0].id, 504);
  EXPECT_TRUE(ui.KillTimer(main, 504));
  EXPECT_FALSE(ui.KillTimer(main, 504));
  EXPECT_FALSE(ui.FireTimer(main, 504));
}

TEST_F(HeadlessUiTest, DestroyingAWindowEndsItsChildrenTimersAndQueuedEvents) {
  ui.SetTimer(debug, 1, 10);
  ui.PostCommand(debug, 101);
  ui.PostCommand(main, 121);
  ui.DestroyWindow(main);
  EXPECT_FALSE(ui.IsWindow(main));
  EXPECT_FALSE(ui.IsWindow(debug));
  EXPECT_FALSE(ui.FireTimer(debug, 1));
  EXPECT_EQ(ui.RunPending(), 0u);
  EXPECT_TRUE(events.empty());
}

TEST_F(HeadlessUiTest, UserActionsChangeTheControlThenRaiseItsEvent) {
  // An auto check box is toggled before its command is seen.
  bool checkedWhenRaised = false;
  ui.SetEventHandler([&](const UiEvent& e) {
    events.push_back(e);
    if (e.id == dp::kWifi) checkedWhenRaised = ui.IsChecked(debug, dp::kWifi);
  });
  EXPECT_TRUE(ui.UserClick(debug, dp::kWifi));
  EXPECT_TRUE(checkedWhenRaised);

  EXPECT_TRUE(ui.UserMoveTrack(debug, dp::kTestOutput, 500, notify::kTbEndTrack));
  EXPECT_EQ(ui.TrackPos(debug, dp::kTestOutput), 100);  // default range 0-100
  EXPECT_EQ(events.back().kind, EventKind::Scroll);
  EXPECT_EQ(events.back().code, notify::kTbEndTrack);

  EXPECT_TRUE(ui.UserEnterText(debug, dp::kFirmwareFile, "ir.wav"));
  EXPECT_EQ(ui.GetText(debug, dp::kFirmwareFile), "ir.wav");

  EXPECT_TRUE(ui.UserChooseMenu(main, resources::menu::kAbout));
  EXPECT_FALSE(ui.UserChooseMenu(main, 9999));
  EXPECT_FALSE(ui.UserChooseMenu(debug, resources::menu::kAbout));  // pages have no menu

  // Nobody can press what is hidden or disabled, or what is not there.
  const size_t before = events.size();
  EXPECT_FALSE(ui.UserClick(debug, dp::kDebugInfo));
  ui.Enable(debug, dp::kReset, false);
  EXPECT_FALSE(ui.UserClick(debug, dp::kReset));
  EXPECT_FALSE(ui.UserClick(debug, 4242));
  EXPECT_FALSE(ui.UserSelect(main, mw::kDefaultProfile, 0));  // empty list
  EXPECT_EQ(events.size(), before);
}

TEST_F(HeadlessUiTest, SelectorKeepsItemsWithTheirCodes) {
  EXPECT_EQ(ui.SelectedData(main, mw::kDefaultProfile), std::nullopt);
  ui.AddSelectorItem(main, mw::kDefaultProfile, "#1", 0);
  ui.AddSelectorItem(main, mw::kDefaultProfile, "#2", 41);
  ui.SelectIndex(main, mw::kDefaultProfile, 1);
  EXPECT_EQ(ui.SelectedData(main, mw::kDefaultProfile), 41);
  EXPECT_EQ(ui.GetText(main, mw::kDefaultProfile), "#2");
  ui.SelectIndex(main, mw::kDefaultProfile, 7);  // out of range: ignored
  EXPECT_EQ(ui.SelectedIndex(main, mw::kDefaultProfile), 1);

  EXPECT_TRUE(ui.UserSelect(main, mw::kDefaultProfile, 0));
  EXPECT_EQ(events.back().id, mw::kDefaultProfile);
  EXPECT_EQ(events.back().code, notify::kSelChange);

  ui.ClearSelector(main, mw::kDefaultProfile);
  EXPECT_EQ(ui.SelectorCount(main, mw::kDefaultProfile), 0);
  EXPECT_EQ(ui.SelectedIndex(main, mw::kDefaultProfile), -1);
}

TEST_F(HeadlessUiTest, ListBoxDeletionKeepsTheSelectionOnItsLine) {
  for (const char* line : {"a", "b", "c"}) ui.AddListLine(debug, dp::kMessages, line);
  ui.SelectListLine(debug, dp::kMessages, 2);
  ui.DeleteListLine(debug, dp::kMessages, 0);
  EXPECT_EQ(ui.SelectedListLine(debug, dp::kMessages), 1);
  EXPECT_EQ(ui.ListLine(debug, dp::kMessages, 1), "c");
  ui.DeleteListLine(debug, dp::kMessages, 1);
  EXPECT_EQ(ui.SelectedListLine(debug, dp::kMessages), -1);
  ui.DeleteListLine(debug, dp::kMessages, 5);  // no such line
  EXPECT_EQ(ui.ListCount(debug, dp::kMessages), 1);
}

TEST_F(HeadlessUiTest, TrackBarAndProgressBarStayInsideTheirRange) {
  ui.SetTrackRange(debug, dp::kTestOutput, 0, 20);
  ui.SetTrackPos(debug, dp::kTestOutput, -3);
  EXPECT_EQ(ui.TrackPos(debug, dp::kTestOutput), 0);
  ui.SetTrackPos(debug, dp::kTestOutput, 15);
  ui.SetTrackRange(debug, dp::kTestOutput, 0, 1);
  EXPECT_EQ(ui.TrackPos(debug, dp::kTestOutput), 1);

  const WindowHandle progress = ui.CreateDialogWindow(resources::kProgressWindow, kNoWindow);
  ui.SetProgressRange(progress, resources::kProgressBar, 0, 2);
  ui.SetProgressStep(progress, resources::kProgressBar, 1);
  for (int i = 0; i < 5; ++i) ui.StepProgress(progress, resources::kProgressBar);
  EXPECT_EQ(ui.ProgressPos(progress, resources::kProgressBar), 2);
}

TEST_F(HeadlessUiTest, MissingWindowsAndControlsGiveEmptyValues) {
  const WindowHandle gone = 9999;
  ui.SetText(gone, 1, "x");
  ui.SetTrackPos(gone, 1, 3);
  ui.AddListLine(gone, 1, "x");
  EXPECT_EQ(ui.GetText(gone, 1), "");
  EXPECT_FALSE(ui.HasControl(main, 4242));
  EXPECT_FALSE(ui.AddToolTip(main, 4242, "tip"));
  EXPECT_EQ(ui.AddSelectorItem(main, mw::kStatus, "x", 1), -1);  // not a selector
  EXPECT_FALSE(ui.HasControl(main, kUnnamedControl));
  EXPECT_EQ(ui.CreateDialogWindow(4242, kNoWindow), kNoWindow);
  EXPECT_EQ(ui.CreateDialogWindow(resources::kProfilePage, gone), kNoWindow);
  ui.SendCommand(gone, 121);
  ui.PostCommand(gone, 121);
  EXPECT_EQ(ui.RunPending(), 0u);
  EXPECT_TRUE(events.empty());
}

TEST_F(HeadlessUiTest, ColoursStartFromTheTemplateAndCanChange) {
  EXPECT_EQ(ui.GetColours(main, mw::kStatus).background, (Rgb{195, 255, 190}));
  ControlColours error;
  error.background = Rgb{255, 210, 210};
  ui.SetColours(main, mw::kStatus, error);
  EXPECT_EQ(ui.GetColours(main, mw::kStatus), error);
}

TEST_F(HeadlessUiTest, MenuCheckMarksStartFromTheTemplate) {
  EXPECT_TRUE(ui.IsMenuItemChecked(main, resources::menu::kDegrees));
  EXPECT_FALSE(ui.IsMenuItemChecked(main, resources::menu::kMilliseconds));
  ui.CheckMenuItem(main, resources::menu::kDegrees, false);
  ui.CheckMenuItem(main, resources::menu::kMilliseconds, true);
  EXPECT_FALSE(ui.IsMenuItemChecked(main, resources::menu::kDegrees));
  EXPECT_TRUE(ui.IsMenuItemChecked(main, resources::menu::kMilliseconds));
}

TEST_F(HeadlessUiTest, ModalDialogRunsItsInitAndRecordsWhatItShowed) {
  ui.QueueModalResult(kIdCancel);
  const int result = ui.RunModalDialog(resources::kAboutBox, main, [&](WindowHandle about) {
    ui.SetCaption(about, "About Velotrack Configuration Panel");
    ui.SetText(about, resources::kAboutText, "Velotrack Configuration Panel\n\nVersion 2.6.76");
  });
  EXPECT_EQ(result, kIdCancel);
  ASSERT_EQ(ui.ModalDialogs().size(), 1u);
  const auto& shown = ui.ModalDialogs()[0];
  EXPECT_EQ(shown.owner, main);
  EXPECT_EQ(shown.caption, "About Velotrack Configuration Panel");
  EXPECT_EQ(shown.texts.at(resources::kAboutText),
            "Velotrack Configuration Panel\n\nVersion 2.6.76");
  EXPECT_TRUE(ui.WindowsOf(resources::kAboutBox).empty());
  EXPECT_EQ(ui.RunModalDialog(4242, main, {}), -1);
}

}  // namespace
}  // namespace vt::platform
