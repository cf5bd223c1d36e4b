// Questions and operations hold the panel's windows: real message boxes
// under Wine, with the clicks a person's buttons send posted to the main
// window while the box is open.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "tests/win32_ui/win32_test_ui.h"

namespace vt::platform::win32 {
namespace {

namespace mw = resources::main_window;

struct Recorder {
  explicit Recorder(Win32Ui& ui) {
    ui.SetEventHandler([this](const UiEvent& e) { events.push_back(e); });
  }
  std::vector<UiEvent> events;
};

// What the timer saw while the question was open. A thread timer's
// procedure has no context of its own, hence the one probe.
struct QuestionProbe {
  HWND main = nullptr;
  HWND other = nullptr;  // a second top-level window of ours
  HWND box = nullptr;
  HWND boxOwner = nullptr;
  bool mainEnabled = true;
  bool otherEnabled = true;
  bool checkBefore = false;
};
QuestionProbe probe;

void CALLBACK WhileAsked(HWND, UINT, UINT_PTR, DWORD) {
  if (probe.box != nullptr) return;
  probe.box = FindWindowW(L"#32770", L"Velotrack question");
  if (probe.box == nullptr) return;  // not shown yet
  probe.boxOwner = GetWindow(probe.box, GW_OWNER);
  probe.mainEnabled = IsWindowEnabled(probe.main) != FALSE;
  probe.otherEnabled = IsWindowEnabled(probe.other) != FALSE;
  // What buttons, a check box, a drop-down list and the menu send when
  // used: each goes through the box's own message loop.
  const HWND quit = GetDlgItem(probe.main, mw::kQuit);
  const HWND messages = GetDlgItem(probe.main, mw::kGetMessages);
  const HWND profile = GetDlgItem(probe.main, mw::kDefaultProfile);
  probe.checkBefore = SendMessageW(messages, BM_GETCHECK, 0, 0) == BST_CHECKED;
  PostMessageW(quit, BM_CLICK, 0, 0);
  PostMessageW(messages, BM_CLICK, 0, 0);
  PostMessageW(probe.main, WM_COMMAND, MAKEWPARAM(mw::kSaveSettings, BN_CLICKED),
               reinterpret_cast<LPARAM>(quit));
  PostMessageW(probe.main, WM_COMMAND, MAKEWPARAM(mw::kDefaultProfile, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(profile));
  PostMessageW(probe.main, WM_COMMAND, MAKEWPARAM(resources::menu::kAbout, 0), 0);
  // Then "No", after all of them.
  PostMessageW(probe.box, WM_COMMAND, IDNO, 0);
}

TEST(Win32Modality, AnOpenQuestionHoldsEveryWindowAndDropsTheirClicks) {
  Win32Ui ui(resources::BuiltInTemplates());
  ui.SetOffScreen(true);
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  const WindowHandle other = ui.CreateDialogWindow(resources::kProgressWindow, kNoWindow);
  Recorder rec(ui);
  probe = {ui.Hwnd(main), ui.Hwnd(other)};

  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &WhileAsked);
  MessageBoxRequest question;  // no owner named: the panel's window owns it
  question.text = "Are you sure?";
  question.caption = "Velotrack question";
  question.buttons = MessageButtons::YesNo;
  EXPECT_EQ(ui.MessageBox(question), MessageAnswer::No);
  KillTimer(nullptr, timer);

  ASSERT_NE(probe.box, nullptr) << "the question was never shown";
  EXPECT_TRUE(probe.boxOwner == ui.Hwnd(main) || probe.boxOwner == ui.Hwnd(other))
      << "owned by a window of the panel";
  EXPECT_FALSE(probe.mainEnabled);
  EXPECT_FALSE(probe.otherEnabled);
  EXPECT_TRUE(rec.events.empty()) << "a click during a question started something";
  EXPECT_EQ(SendMessageW(ui.ControlHwnd(main, mw::kGetMessages), BM_GETCHECK, 0, 0) == BST_CHECKED,
            probe.checkBefore)
      << "the check box kept the mark the program gave it";
  EXPECT_EQ(ui.PendingEvents(), 0u) << "and nothing was kept for later";

  // Answered: every window takes input again, and the same click is a click.
  EXPECT_TRUE(IsWindowEnabled(ui.Hwnd(main)));
  EXPECT_TRUE(IsWindowEnabled(ui.Hwnd(other)));
  SendMessageW(ui.ControlHwnd(main, mw::kQuit), BM_CLICK, 0, 0);
  ASSERT_EQ(rec.events.size(), 1u);
  EXPECT_EQ(rec.events[0].id, mw::kQuit);
}

TEST(Win32Modality, AnOperationDropsEveryControlsNotification) {
  Win32TestUi ui(resources::BuiltInTemplates());
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  const WindowHandle page = ui.CreateDialogWindow(resources::kProfilePage, main);
  ui.InsertTab(main, mw::kTabs, 0, "Set 1");
  ui.InsertTab(main, mw::kTabs, 1, "Set 2");
  ui.SelectTab(main, mw::kTabs, 0);
  ui.AddSelectorItem(main, mw::kDefaultProfile, "1", 1);
  uint16_t track = 0;
  for (uint16_t id : ui.ControlIds(page)) {
    if (ui.ClassOf(page, id) == ControlClass::TrackBar) track = id;
  }
  ASSERT_NE(track, 0);
  Recorder rec(ui);

  ui.BeginOperation(main, "Writing");
  // Sent straight to the controls' owners, as another loop would deliver
  // them: none may reach the panel while the board is busy.
  EXPECT_TRUE(ui.UserClick(main, mw::kQuit));
  EXPECT_TRUE(ui.UserSelect(main, mw::kDefaultProfile, 0));
  EXPECT_TRUE(ui.UserMoveTrack(page, track, 3));
  SendMessageW(ui.Hwnd(main), WM_COMMAND, MAKEWPARAM(resources::menu::kAbout, 0), 0);
  // A click on the second tab, as the tab control gets it.
  const HWND tabs = ui.ControlHwnd(main, mw::kTabs);
  RECT second{};
  ASSERT_TRUE(SendMessageW(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second)));
  const LPARAM at = MAKELPARAM((second.left + second.right) / 2, (second.top + second.bottom) / 2);
  SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(tabs, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(ui.TabSelection(main, mw::kTabs), 0) << "a held window keeps its page";
  EXPECT_TRUE(rec.events.empty());
  ui.EndOperation();
  EXPECT_EQ(ui.RunPending(), 0u) << "dropped, never replayed";

  EXPECT_TRUE(ui.UserClick(main, mw::kQuit));
  SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(tabs, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(ui.TabSelection(main, mw::kTabs), 1) << "the same click once the operation is over";
  EXPECT_EQ(rec.events.size(), 2u);
}

// What the timer saw while the file dialog was open.
struct FileDialogProbe {
  HWND main = nullptr;
  HWND dialog = nullptr;
  HWND dialogOwner = nullptr;
  bool mainEnabled = true;
};
FileDialogProbe fileProbe;

void CALLBACK WhileChoosing(HWND, UINT, UINT_PTR, DWORD) {
  if (fileProbe.dialog != nullptr) return;
  fileProbe.dialog = FindWindowW(L"#32770", L"Velotrack file choice");
  if (fileProbe.dialog == nullptr) return;  // not shown yet
  fileProbe.dialogOwner = GetWindow(fileProbe.dialog, GW_OWNER);
  fileProbe.mainEnabled = IsWindowEnabled(fileProbe.main) != FALSE;
  PostMessageW(fileProbe.dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST(Win32Modality, TheFileDialogBelongsToTheMainWindowAndHoldsIt) {
  Win32Ui ui(resources::BuiltInTemplates());
  ui.SetOffScreen(true);
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  fileProbe = {ui.Hwnd(main)};

  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &WhileChoosing);
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.title = "Velotrack file choice";
  request.owner = main;
  EXPECT_EQ(ui.ChooseFile(request), std::nullopt) << "cancelled";
  KillTimer(nullptr, timer);

  ASSERT_NE(fileProbe.dialog, nullptr) << "the file dialog was never shown";
  EXPECT_EQ(fileProbe.dialogOwner, ui.Hwnd(main));
  EXPECT_FALSE(fileProbe.mainEnabled);
  EXPECT_TRUE(IsWindowEnabled(ui.Hwnd(main))) << "enabled again once it closed";
}

}  // namespace
}  // namespace vt::platform::win32
