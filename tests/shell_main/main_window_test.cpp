#include "shell/main_window.h"

#include <gtest/gtest.h>

#include "resources/colour_rule.h"
#include "platform/remote/remote_hid_backend.h"
#include "resources/resource_ids.h"
#include "tests/shell_main/panel_fixture.h"

namespace vt::shell {
namespace {

using platform::kNoWindow;
using platform::MessageAnswer;
using testing::PanelFixture;
namespace mw = resources::main_window;
namespace dp = resources::debug_page;
namespace menu = resources::menu;

TEST(MainWindowStart, ReadsTheBoardAndStartsBothTimers) {
  for (bool debugLog : {false, true}) {
    PanelFixture f(debugLog);
    ASSERT_NE(f.Start(), kNoWindow);
    EXPECT_EQ(f.ui.GetCaption(f.main), "Velotrack Configuration Panel (ver.2.6.76)");
    // The saved caption keeps the template's text until timer 503.
    EXPECT_EQ(f.panel.SavedCaption(), "Velotrack Configuration Panel (ver.2.6.%d)");
    EXPECT_EQ(f.ui.TimerPeriod(f.main, kCaptionTimer), 1000u);
    EXPECT_EQ(f.ui.TimerPeriod(f.main, kMessagePollTimer), 1u);
    EXPECT_TRUE(f.ui.IsChecked(f.main, mw::kGetMessages));
    EXPECT_EQ(f.ui.IsVisible(f.main, mw::kGetMessages), debugLog);
    EXPECT_EQ(f.panel.DebugPage() != kNoWindow, debugLog);
    if (debugLog) {
      EXPECT_FALSE(f.ui.IsVisible(f.panel.DebugPage(), dp::kPtpLog));
    }
    EXPECT_TRUE(f.ui.IsMenuItemChecked(f.main, menu::kDegrees));
    EXPECT_EQ(f.Status(), "OK");
    EXPECT_NE(f.ui.GetText(f.main, mw::kFirmware), "Firmware version: ?");
    EXPECT_FALSE(f.ui.GetText(f.main, mw::kSerial).empty());
    // The start-up read asks nothing.
    EXPECT_EQ(f.ui.Script().MessageBoxes().size(), 0u);
    EXPECT_GT(f.ui.SelectorCount(f.Page(6), 49152), 0);
  }
}

TEST(MainWindowStart, NoBoardShowsTheIoErrorInPink) {
  PanelFixture f(false);
  f.Board().SetPresent(false);
  f.Start();
  EXPECT_EQ(f.Status(), "Velotrack I/O Error");
  EXPECT_TRUE(f.panel.ErrorFlag());
  EXPECT_EQ(f.ui.GetColours(f.main, mw::kStatus), resources::colours::Status(true));
  // The poll still runs without a board.
  EXPECT_TRUE(f.ui.TimerPeriod(f.main, kMessagePollTimer).has_value());
}

TEST(MainWindowStart, AnUnreachableBoardServerIsNamedNotTakenForNoBoard) {
  testing::TempDir dir;
  const std::string address = "unix:" + (dir.path / "nobody-listens.sock").string();
  platform::VirtualClock clock{1000};
  platform::DebugLog log;
  platform::remote::RemoteHidBackend hid(address, &clock);
  devlink::BoardLink link{hid, clock, log};
  link.LoadDll();
  testing::TestUi ui{resources::BuiltInTemplates()};
  MainWindow panel{ui, link, clock, log};
  ui.SetEventHandler([&panel](const platform::UiEvent& e) { panel.HandleEvent(e); });
  const platform::WindowHandle main = panel.Create();
  ASSERT_NE(main, kNoWindow);

  const std::string expected = "Board server unreachable: " + address + " (";
  EXPECT_EQ(ui.GetText(main, mw::kStatus), "Velotrack I/O Error");
  EXPECT_EQ(ui.GetText(main, mw::kBoardMessage).rfind(expected, 0), 0u)
      << ui.GetText(main, mw::kBoardMessage);
  EXPECT_EQ(ui.ToolTip(main, mw::kBoardMessage), ui.GetText(main, mw::kBoardMessage));
  // Every poll that fails keeps saying why.
  ui.SetText(main, mw::kBoardMessage, "");
  ASSERT_TRUE(ui.FireTimer(main, kMessagePollTimer));
  EXPECT_EQ(ui.GetText(main, mw::kBoardMessage).rfind(expected, 0), 0u);
}

TEST(MainWindowAbout, VersionTextFollowsTheCaptionTimer) {
  PanelFixture f(false);
  f.Start();
  ASSERT_TRUE(f.ui.UserChooseMenu(f.main, menu::kAbout));
  ASSERT_TRUE(f.ui.FireTimer(f.main, kCaptionTimer));
  EXPECT_FALSE(f.ui.TimerPeriod(f.main, kCaptionTimer).has_value());
  EXPECT_EQ(f.ui.GetCaption(f.main), "Velotrack Configuration Panel (ver.2.6.76)");
  ASSERT_TRUE(f.ui.UserChooseMenu(f.main, menu::kAbout));

  const auto& shown = f.ui.ModalDialogs();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].templateId, resources::kAboutBox);
  EXPECT_EQ(shown[0].caption, "About Velotrack Configuration Panel");
  EXPECT_EQ(shown[0].texts.at(resources::kAboutText),
            "Velotrack Configuration Panel\n\nVersion 2.6.%d");
  EXPECT_EQ(shown[1].texts.at(resources::kAboutText),
            "Velotrack Configuration Panel\n\nVersion 2.6.76");
}

TEST(AboutTexts, DeriveNameAndVersionFromAnyCaption) {
  EXPECT_EQ(AboutTextsFromCaption("Panel (ver 3.1)").body, "Panel\n\nVersion 3.1");
  const AboutTexts plain = AboutTextsFromCaption("Just a name");
  EXPECT_EQ(plain.title, "About Just a name");
  EXPECT_EQ(plain.body, "Just a name\n\nVersion 1.0");
  // Odd captions stay inside the text.
  EXPECT_EQ(AboutTextsFromCaption("(x").title, "About ");
  EXPECT_EQ(AboutTextsFromCaption("A (v.1.2").body, "A\n\nVersion 1.2");
  EXPECT_EQ(AboutTextsFromCaption("A (none)").body, "A\n\nVersion ");
}

TEST(StatusCodes, TextsErrorFlagAndColour) {
  EXPECT_EQ(profiles::StatusText(0x00), "OK");
  EXPECT_EQ(profiles::StatusText(0x01), "OK");
  EXPECT_EQ(profiles::StatusText(0x84), "Velotrack I/O Error");
  EXPECT_EQ(profiles::StatusText(0x8A), "Failed");
  EXPECT_EQ(profiles::StatusText(0x09), "Burned");
  // Codes past the table do not read past it.
  EXPECT_EQ(profiles::StatusText(0x0B), "Undefined");
  EXPECT_EQ(profiles::StatusText(0xFF), "Undefined");

  PanelFixture f(false);
  f.Start();
  EXPECT_TRUE(f.panel.ShowStatus(0x8A));
  EXPECT_EQ(f.Status(), "Failed");
  EXPECT_EQ(f.ui.GetColours(f.main, mw::kStatus), resources::colours::Status(true));
  // Plain text keeps the colour of the last status shown.
  f.panel.SetStatusText("Working...");
  EXPECT_EQ(f.ui.GetColours(f.main, mw::kStatus), resources::colours::Status(true));
  EXPECT_FALSE(f.panel.ShowStatus(0x00));
  EXPECT_EQ(f.ui.GetColours(f.main, mw::kStatus), resources::colours::Status(false));
}

TEST(MainWindowTabs, DebugTabMakesTheEighthTableCurrent) {
  PanelFixture f(true);
  f.Start();
  ASSERT_TRUE(f.ui.UserSelectTab(f.main, mw::kTabs, 7));
  EXPECT_EQ(f.panel.CurrentSet(), 7);
  EXPECT_EQ(f.panel.Editor()->CurrentSet(), 7);
  for (int slot = 0; slot < 7; ++slot) EXPECT_FALSE(f.ui.IsWindowVisible(f.Page(slot)));
  EXPECT_TRUE(f.ui.IsWindowVisible(f.panel.DebugPage()));

  ASSERT_TRUE(f.ui.UserSelectTab(f.main, mw::kTabs, 2));
  EXPECT_EQ(f.panel.CurrentSet(), 2);
  EXPECT_TRUE(f.ui.IsWindowVisible(f.Page(2)));
  EXPECT_FALSE(f.ui.IsWindowVisible(f.panel.DebugPage()));
  // A selection with no page behind it changes nothing.
  f.panel.OnTabChanged(8);
  f.panel.OnTabChanged(-1);
  EXPECT_EQ(f.panel.CurrentSet(), 2);
  EXPECT_TRUE(f.ui.IsWindowVisible(f.Page(2)));
}

TEST(MainWindowPoll, GetMessagesSwitchesTheTimer) {
  PanelFixture f(true);
  f.Start();
  ASSERT_TRUE(f.ui.UserClick(f.main, mw::kGetMessages));  // unchecks
  EXPECT_FALSE(f.ui.TimerPeriod(f.main, kMessagePollTimer).has_value());
  ASSERT_TRUE(f.ui.UserClick(f.main, mw::kGetMessages));
  EXPECT_EQ(f.ui.TimerPeriod(f.main, kMessagePollTimer), 1u);
}

TEST(MainWindowPoll, WithoutTheLogField9107StillShowsBoardMessages) {
  PanelFixture f(false);
  f.Start();
  ASSERT_FALSE(f.Board().MessagesEmitted().empty());
  ASSERT_TRUE(f.ui.FireTimer(f.main, kMessagePollTimer));
  EXPECT_EQ(f.ui.GetText(f.main, mw::kBoardMessage), f.Board().MessagesEmitted().back());
  EXPECT_EQ(f.Status(), "OK");
}

TEST(MainWindowPoll, EachTickFetchesForTheDebugPageAndTheMainWindow) {
  PanelFixture f(true);
  f.Start();
  f.Board().Traffic().Clear();
  ASSERT_TRUE(f.ui.FireTimer(f.main, kMessagePollTimer));
  size_t fetches = 0;
  for (const auto& e : f.Board().Traffic().OfKind(sim::TrafficEntry::Kind::kIndexedString)) {
    if (e.stringIndex == 246) ++fetches;
  }
  EXPECT_EQ(fetches, 2u);
  const platform::WindowHandle page = f.panel.DebugPage();
  ASSERT_GE(f.ui.ListCount(page, dp::kMessages), 1);
  EXPECT_EQ(f.ui.ListLine(page, dp::kMessages, 0), f.Board().MessagesEmitted().front());

  // A board that went away: the error shows at every tick, the list stays.
  const int lines = f.ui.ListCount(page, dp::kMessages);
  f.Board().SetPresent(false);
  ASSERT_TRUE(f.ui.FireTimer(f.main, kMessagePollTimer));
  EXPECT_EQ(f.Status(), "Velotrack I/O Error");
  EXPECT_EQ(f.ui.ListCount(page, dp::kMessages), lines);
  f.Board().SetPresent(true);
  ASSERT_TRUE(f.ui.FireTimer(f.main, kMessagePollTimer));
  EXPECT_EQ(f.Status(), "OK");
}

TEST(MainWindowClose, QuitClosesAtOnceWithoutAsking) {
  PanelFixture f(true);
  f.Start();
  ASSERT_TRUE(f.ui.UserClick(f.main, mw::kQuit));
  f.ui.RunPending();
  EXPECT_EQ(f.ui.QuitCode(), 0);
  EXPECT_FALSE(f.ui.IsWindow(f.main));
  EXPECT_FALSE(f.log.On());
  EXPECT_FALSE(f.link.IsOpen());
  EXPECT_EQ(f.ui.Script().MessageBoxes().size(), 0u);
}

TEST(MainWindowCommands, PtpLogOnlyShowsFailedInPlainText) {
  PanelFixture f(true);
  f.Start();
  f.panel.OnCommand(f.panel.DebugPage(), dp::kPtpLog);
  EXPECT_EQ(f.Status(), "Failed");
  EXPECT_FALSE(f.panel.ErrorFlag());
}

TEST(MainWindowCommands, CommandsBeforeInitialisationAreIgnored) {
  PanelFixture f(false);
  f.panel.OnCommand(kNoWindow, mw::kGetSettings);
  f.panel.OnTimer(kMessagePollTimer);
  f.panel.OnTrackBar(kNoWindow, dp::kTestOutput);
  EXPECT_EQ(f.ui.Script().MessageBoxes().size(), 0u);
}

}  // namespace
}  // namespace vt::shell
