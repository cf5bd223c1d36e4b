// The Debug page: message lines, fetching, the test output and Browse.
#include "shell/diagnostics_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/headless_ui.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "shell/settings_window.h"
#include "tests/shell_main/panel_fixture.h"
#include "tests/support/link_fixture.h"

namespace vt::shell {
namespace {

namespace dp = resources::debug_page;
namespace mw = resources::main_window;

// The main window and its Debug page, built before the page logic.
struct DebugWindows {
  DebugWindows() {
    main = ui.CreateDialogWindow(resources::kMainWindow, platform::kNoWindow);
    InitTabbedDialog(ui, main, true, pages);
    ui.SetCheck(main, mw::kGetMessages, true);
  }
  testing::TestUi ui{resources::BuiltInTemplates()};
  platform::WindowHandle main = platform::kNoWindow;
  PageTable pages{};
};

// The Debug page on its own, over a scripted board link.
struct LinesFixture : DebugWindows {
  LinesFixture() { lf.CaptureLog(); }
  // Board text with its count byte.
  void Add(const std::string& text) {
    std::vector<uint8_t> bytes{static_cast<uint8_t>(text.size())};
    bytes.insert(bytes.end(), text.begin(), text.end());
    page.AddMessageLine(bytes, true);
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; i < ui.ListCount(pages[kDebugSlot], dp::kMessages); ++i) {
      lines.push_back(ui.ListLine(pages[kDebugSlot], dp::kMessages, i));
    }
    return lines;
  }
  int Selected() const { return ui.SelectedListLine(pages[kDebugSlot], dp::kMessages); }

  vt::testing::LinkFixture lf;
  DiagnosticsPage page{ui, main, pages[kDebugSlot], lf.link, lf.log};
};

using Lines = std::vector<std::string>;

TEST(AddMessageLine, PendingLineIsReplacedByItsContinuation) {
  LinesFixture f;
  f.Add("ab\ncd");
  EXPECT_EQ(f.Lines(), (Lines{"ab", "cd"}));
  EXPECT_EQ(f.Selected(), 1);
  EXPECT_EQ(f.ui.GetText(f.main, mw::kBoardMessage), "cd");
  f.Add("e\r");
  EXPECT_EQ(f.Lines(), (Lines{"ab", "cde"}));
  EXPECT_EQ(f.page.PendingLine(), "");
  // Complete lines go to the log, the pending one does not.
  EXPECT_EQ(f.lf.LogText(), "ab\r\ncde\r\n");
}

TEST(AddMessageLine, LongRunsAreCutAt122AndA4EndsALineItKeeps) {
  LinesFixture f;
  f.Add(std::string(200, 'x'));
  EXPECT_EQ(f.Lines(), (Lines{std::string(122, 'x'), std::string(78, 'x')}));

  LinesFixture g;
  g.Add("x\xA4y");
  EXPECT_EQ(g.Lines(), (Lines{"x\xC2\xA4", "y"}));  // shown as UTF-8
  EXPECT_EQ(g.lf.LogText(), "x\xA4\r\n");             // logged as the board sent it
}

TEST(AddMessageLine, CountBeyondTheBytesReceivedIsCut) {
  LinesFixture f;
  const std::vector<uint8_t> text{200, 'a', 'b'};
  f.page.AddMessageLine(text, true);
  EXPECT_EQ(f.Lines(), (Lines{"ab"}));
  EXPECT_EQ(f.page.PendingLine(), "ab");
  const std::vector<uint8_t> countOnly{5};
  f.page.AddMessageLine(countOnly, true);
  EXPECT_EQ(f.Lines(), (Lines{"ab"}));
}

TEST(AddMessageLine, Field9107FollowsOnlyWhileGetMessagesIsChecked) {
  LinesFixture f;
  f.ui.SetCheck(f.main, mw::kGetMessages, false);
  f.Add("quiet");
  EXPECT_EQ(f.ui.GetText(f.main, mw::kBoardMessage), "");
  f.ui.SetCheck(f.main, mw::kGetMessages, true);
  f.Add(" now\n");
  // The line end itself leaves the field at the line so far.
  EXPECT_EQ(f.ui.GetText(f.main, mw::kBoardMessage), "quiet now");
}

TEST(AddMessageLine, ListRestartsPast512EntriesAndClearStartsOver) {
  LinesFixture f;
  for (int i = 0; i < 514; ++i) f.Add("L" + std::to_string(i) + "\n");
  EXPECT_EQ(f.ui.ListCount(f.pages[kDebugSlot], dp::kMessages), 514);
  EXPECT_EQ(f.page.LastEntry(), 513);
  f.Add("L514\n");
  EXPECT_EQ(f.Lines(), (Lines{"L514"}));

  f.Add("pending");
  f.page.Clear();
  EXPECT_TRUE(f.Lines().empty());
  f.Add("c\n");
  EXPECT_EQ(f.Lines(), (Lines{"c"}));
}

TEST(FetchBoardMessages, TakesOnlyTheBytesTheBoardSent) {
  LinesFixture f;
  ASSERT_TRUE(f.lf.Attach("M123456789201.05"));
  f.lf.hid.strings[246].push_back({platform::kWaitOk, {250, 'h', 'i', '\n'}});
  EXPECT_EQ(f.page.FetchBoardMessages(), 0);
  EXPECT_EQ(f.Lines(), (Lines{"hi"}));
  // An empty text adds nothing.
  f.lf.hid.strings[246].push_back({platform::kWaitOk, {0}});
  EXPECT_EQ(f.page.FetchBoardMessages(), 0);
  EXPECT_EQ(f.Lines(), (Lines{"hi"}));
}

TEST(FetchBoardMessages, NoBoardGivesTheIoErrorAndAddsNothing) {
  LinesFixture f;
  EXPECT_EQ(f.page.FetchBoardMessages(), devlink::kStatusNoResponse);
  EXPECT_TRUE(f.Lines().empty());
}

uint16_t Word(sim::VirtualBoard& board, uint32_t address) {
  const auto b = board.Peek(address, 2);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}

TEST(TestOutput, SetsTheTimerUpAtZeroThenWritesTheCompareValue) {
  testing::PanelFixture f(true);
  f.Start();
  const platform::WindowHandle page = f.panel.DebugPage();
  ASSERT_TRUE(f.ui.UserMoveTrack(page, dp::kTestOutput, 0));
  auto& board = f.Board();
  EXPECT_EQ(board.Peek(0xFFFEE0, 1)[0] & 0x80, 0x80);
  EXPECT_EQ(board.Peek(0xFFFF4C, 1)[0], 0xD0);
  EXPECT_EQ(board.Peek(0xFFFF48, 1)[0], 3);
  EXPECT_EQ(board.Peek(0xFFFF4A, 1)[0], 1);
  EXPECT_EQ(Word(board, 0xFFFF42), 0xFFFF);
  EXPECT_EQ(Word(board, 0xFFFF44), 0);

  board.Poke(0xFFFF4C, std::vector<uint8_t>{0x11});
  ASSERT_TRUE(f.ui.UserMoveTrack(page, dp::kTestOutput, 20));
  EXPECT_EQ(Word(board, 0xFFFF44), 20 * 318 + 1172);
  EXPECT_EQ(board.Peek(0xFFFF4C, 1)[0], 0x11);  // no set-up away from 0
  EXPECT_EQ(f.panel.Editor()->TableOf(7)[115], 20);
  EXPECT_EQ(f.ui.GetText(page, dp::kUnitCaption), "ms");

  // End-of-track and thumb-position notifications send nothing.
  board.Traffic().Clear();
  ASSERT_TRUE(f.ui.UserMoveTrack(page, dp::kTestOutput, 3, platform::notify::kTbEndTrack));
  ASSERT_TRUE(f.ui.UserMoveTrack(page, dp::kTestOutput, 3, platform::notify::kTbThumbPosition));
  EXPECT_TRUE(board.Traffic().OfKind(sim::TrafficEntry::Kind::kWrite).empty());
}

TEST(TestOutput, RBoardGetsTheTestCommand) {
  testing::PanelFixture f(true, sim::BoardConfig::VariantR());
  f.Start();
  ASSERT_TRUE(f.ui.UserMoveTrack(f.panel.DebugPage(), dp::kTestOutput, 7));
  EXPECT_EQ(f.Board().TestOutput(), 7);
}

TEST(Browse, ChosenFileFillsTheFieldAndCancelEmptiesIt) {
  testing::PanelFixture f(true);
  f.Start();
  const platform::WindowHandle page = f.panel.DebugPage();
  f.ui.Script().QueueFile("/tmp/usbfw.elf");
  ASSERT_TRUE(f.ui.UserClick(page, dp::kBrowse));
  EXPECT_EQ(f.ui.GetText(page, dp::kFirmwareFile), "/tmp/usbfw.elf");
  const auto& dialog = f.ui.Script().FileDialogs().back().request;
  EXPECT_EQ(dialog.title, "Open a File");
  EXPECT_EQ(dialog.filters, (std::vector<platform::FileFilter>{{"ELF", "*.elf"}, {"All", "*.*"}}));
  EXPECT_EQ(dialog.defaultExtension, "*.bin");
  EXPECT_TRUE(dialog.mustExist);

  f.ui.Script().QueueFile(std::nullopt);
  ASSERT_TRUE(f.ui.UserClick(page, dp::kBrowse));
  EXPECT_EQ(f.ui.GetText(page, dp::kFirmwareFile), "");
}

}  // namespace
}  // namespace vt::shell
