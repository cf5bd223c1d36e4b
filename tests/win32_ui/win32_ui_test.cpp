// The Win32 Ui with real windows: what the templates become, where the
// controls land in pixels, which messages raise which events, and the paint
// pump of long operations.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ui_windows/wide_text.h"
#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "tests/win32_ui/win32_test_ui.h"

namespace vt::platform {
// Found by argument-dependent lookup from the expectations below.
inline bool operator==(const UiEvent& a, const UiEvent& b) {
  return a.window == b.window && a.kind == b.kind && a.id == b.id && a.code == b.code;
}
}  // namespace vt::platform

namespace vt::platform::win32 {
namespace {

namespace mw = resources::main_window;
namespace dp = resources::debug_page;

std::wstring ClassName(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

std::wstring ExpectedClass(ControlClass cls) {
  switch (cls) {
    case ControlClass::Static:
    case ControlClass::Picture:
    case ControlClass::EtchedLine: return L"Static";
    case ControlClass::GroupBox:
    case ControlClass::PushButton:
    case ControlClass::CheckBox: return L"Button";
    case ControlClass::Edit: return L"Edit";
    case ControlClass::ComboBox: return L"ComboBox";
    case ControlClass::ListBox: return L"ListBox";
    case ControlClass::TrackBar: return L"msctls_trackbar32";
    case ControlClass::TabControl: return L"SysTabControl32";
    case ControlClass::ProgressBar: return L"msctls_progress32";
  }
  return {};
}

// A control's place in its dialog's client area, in pixels.
Rect PlaceInParent(HWND control) {
  RECT r{};
  ::GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

struct Recorder {
  explicit Recorder(Win32Ui& ui) {
    ui.SetEventHandler([this](const UiEvent& e) { events.push_back(e); });
  }
  std::vector<UiEvent> events;
};

class Win32UiTest : public ::testing::Test {
 protected:
  const TemplateList& catalog = resources::BuiltInTemplates();
  Win32TestUi ui{resources::BuiltInTemplates()};
};

TEST_F(Win32UiTest, EveryTemplateBuildsWithItsIdsClassesAndPlaces) {
  for (const DialogTemplate& tpl : catalog.dialogs) {
    SCOPED_TRACE(tpl.id);
    const bool page = (tpl.style & style::kChild) != 0;
    const WindowHandle owner = page ? ui.CreateDialogWindow(resources::kMainWindow, kNoWindow) : kNoWindow;
    const WindowHandle w = ui.CreateDialogWindow(tpl.id, owner);
    ASSERT_NE(w, kNoWindow);
    std::vector<uint16_t> named;
    for (const ControlTemplate& ct : tpl.controls) {
      if (ct.id != kUnnamedControl) named.push_back(ct.id);
    }
    EXPECT_EQ(ui.ControlIds(w), named);
    for (const ControlTemplate& ct : tpl.controls) {
      if (ct.id == kUnnamedControl) continue;
      SCOPED_TRACE(ct.id);
      const HWND hwnd = ui.ControlHwnd(w, ct.id);
      ASSERT_NE(hwnd, nullptr);
      // The first control with an id is the one GetDlgItem finds, as Windows
      // tools and the dialog manager address it.
      if (tpl.Find(ct.id) == &ct) {
        EXPECT_EQ(GetDlgItem(ui.Hwnd(w), ct.id), hwnd);
      }
      EXPECT_EQ(static_cast<uint16_t>(GetDlgCtrlID(hwnd)), ct.id);
      EXPECT_EQ(ClassName(hwnd), ExpectedClass(ct.cls));
      const Rect want = ui.ToPixels(w, ct.place);
      const Rect got = PlaceInParent(hwnd);
      // A control whose text needs more room than the template gives may
      // grow sideways; it never shrinks or moves up or down.
      EXPECT_LE(got.x, want.x);
      EXPECT_GE(got.x + got.width, want.x + want.width);
      EXPECT_LE(got.width - want.width, want.width / 4 + 8) << "grown by a few pixels at most";
      EXPECT_EQ(got.y, want.y);
      // A combo box is as high as its font; its template height is the list's.
      if (ct.cls != ControlClass::ComboBox) {
        EXPECT_EQ(got.height, want.height);
      }
      EXPECT_EQ(ui.IsVisible(w, ct.id), (ct.style & style::kHidden) == 0);
      EXPECT_EQ(ui.IsEnabled(w, ct.id), (ct.style & style::kDisabled) == 0);
      if (ct.cls == ControlClass::PushButton || ct.cls == ControlClass::CheckBox) {
        EXPECT_EQ(ui.GetText(w, ct.id), ct.text);
      }
    }
    ui.DestroyWindow(owner != kNoWindow ? owner : w);
    EXPECT_FALSE(ui.IsWindow(w));
  }
}

TEST_F(Win32UiTest, DialogUnitsConvertEachCoordinateOnItsOwn) {
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  RECT base{0, 0, 4, 8};
  MapDialogRect(ui.Hwnd(main), &base);
  ASSERT_GT(base.right, 0);
  // x 1 and width 1 round on their own; converting the right edge instead
  // would give a width one pixel off for some fonts.
  for (const Rect du : {Rect{1, 1, 1, 1}, Rect{3, 5, 7, 9}, Rect{333, 4, 65, 9}, Rect{-1, -4, 640, 4}}) {
    const Rect px = ui.ToPixels(main, du);
    EXPECT_EQ(px.x, MulDiv(du.x, base.right, 4));
    EXPECT_EQ(px.width, MulDiv(du.width, base.right, 4));
    EXPECT_EQ(px.y, MulDiv(du.y, base.bottom, 8));
    EXPECT_EQ(px.height, MulDiv(du.height, base.bottom, 8));
  }
  // The client area is the template's size, with the busy strip under it,
  // whatever the menu bar takes.
  RECT client{};
  GetClientRect(ui.Hwnd(main), &client);
  const Rect want = ui.ToPixels(main, {0, 0, 607, 274});
  EXPECT_EQ(client.right, want.width);
  EXPECT_GT(client.bottom, want.height);
  EXPECT_EQ(PlaceInParent(ui.BusyLabel(main)).y, want.height);

  // A page moved in dialog units lands where its parent's units say.
  const WindowHandle page = ui.CreateDialogWindow(resources::kProfilePage, main);
  ui.MoveWindow(page, {7, 19, 591, 215});
  EXPECT_EQ(PlaceInParent(ui.Hwnd(page)), ui.ToPixels(main, {7, 19, 591, 215}));
  EXPECT_EQ(ui.GetWindowRect(page), (Rect{7, 19, 591, 215}));
}

TEST_F(Win32UiTest, MenuBarCarriesTheTemplatesTextsIdsAndMarks) {
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  const HMENU bar = ui.Menu(main);
  ASSERT_NE(bar, nullptr);
  const MenuTemplate& tpl = *catalog.FindMenu(resources::kMainMenu);
  std::function<void(HMENU, const std::vector<MenuItem>&)> check = [&](HMENU menu, const std::vector<MenuItem>& items) {
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(items.size()));
    for (size_t i = 0; i < items.size(); ++i) {
      const MenuItem& item = items[i];
      wchar_t text[128] = {};
      GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
      EXPECT_EQ(Narrow(text), item.text);
      if (!item.items.empty()) {
        check(GetSubMenu(menu, static_cast<int>(i)), item.items);
      } else if (!item.text.empty()) {
        EXPECT_EQ(GetMenuItemID(menu, static_cast<int>(i)), item.id);
        EXPECT_EQ(ui.IsMenuItemChecked(main, item.id), item.checked) << item.text;
      }
    }
  };
  check(bar, tpl.items);
  MENUITEMINFOW help{};
  help.cbSize = sizeof(help);
  help.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(bar, 2, TRUE, &help));
  EXPECT_TRUE(help.fType & MFT_RIGHTJUSTIFY) << "Help at the right end";

  ui.CheckMenuItem(main, resources::menu::kMilliseconds, true);
  EXPECT_TRUE(GetMenuState(bar, resources::menu::kMilliseconds, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(ui.IsMenuItemChecked(main, 9999));
  ui.CheckMenuItem(main, 9999, true);  // not an item: nothing happens
}

TEST_F(Win32UiTest, ProgramChangesRaiseNothingUserActionsRaiseTheirEvents) {
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  const WindowHandle debug = ui.CreateDialogWindow(resources::kDebugPage, main);
  Recorder rec(ui);

  ui.SetText(debug, dp::kFirmwareFile, "C:\\fw\\usbfw.elf");
  ui.SetCheck(main, mw::kGetMessages, true);
  ui.AddSelectorItem(main, mw::kDefaultProfile, "1", 1);
  ui.AddSelectorItem(main, mw::kDefaultProfile, "2", 2);
  ui.SelectIndex(main, mw::kDefaultProfile, 1);
  ui.InsertTab(main, mw::kTabs, 0, "Profile 1");
  ui.InsertTab(main, mw::kTabs, 1, "Profile 2");
  ui.SelectTab(main, mw::kTabs, 1);
  ui.AddListLine(debug, dp::kMessages, "one");
  ui.SelectListLine(debug, dp::kMessages, 0);
  EXPECT_TRUE(rec.events.empty());
  EXPECT_EQ(ui.GetText(debug, dp::kFirmwareFile), "C:\\fw\\usbfw.elf");
  EXPECT_EQ(ui.GetText(main, mw::kDefaultProfile), "2");
  EXPECT_EQ(ui.SelectedData(main, mw::kDefaultProfile), 2);

  EXPECT_TRUE(ui.UserClick(main, mw::kGetMessages));
  EXPECT_FALSE(ui.IsChecked(main, mw::kGetMessages));
  EXPECT_TRUE(ui.UserSelect(main, mw::kDefaultProfile, 0));
  EXPECT_TRUE(ui.UserSelectTab(main, mw::kTabs, 0));
  EXPECT_TRUE(ui.UserEnterText(debug, dp::kFirmwareFile, "x"));
  EXPECT_TRUE(ui.UserChooseMenu(main, resources::menu::kAbout));
  const std::vector<UiEvent> want = {
      {main, EventKind::Command, mw::kGetMessages, notify::kButtonClicked},
      {main, EventKind::Command, mw::kDefaultProfile, notify::kSelChange},
      {main, EventKind::TabChange, mw::kTabs, 0},
      {debug, EventKind::Command, dp::kFirmwareFile, notify::kEditChange},
      {main, EventKind::Command, resources::menu::kAbout, notify::kMenu},
  };
  EXPECT_EQ(rec.events, want);

  // Hidden and disabled controls take nothing.
  EXPECT_FALSE(ui.UserClick(main, mw::kUpdateFirmware));
  ui.Enable(main, mw::kQuit, false);
  EXPECT_FALSE(ui.UserClick(main, mw::kQuit));
  EXPECT_EQ(rec.events.size(), want.size());
}

TEST_F(Win32UiTest, ControlsTellTheirOwnerWhatTheKeyboardDid) {
  // No driver here: the controls' own notifications, as keys produce them.
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  const WindowHandle page = ui.CreateDialogWindow(resources::kProfilePage, main);
  uint16_t track = 0;
  for (uint16_t id : ui.ControlIds(page)) {
    if (ui.ClassOf(page, id) == ControlClass::TrackBar) {
      track = id;
      break;
    }
  }
  ASSERT_NE(track, 0);
  ui.SetTrackRange(page, track, 0, 50);
  ui.SetTrackPos(page, track, 10);
  Recorder rec(ui);
  const HWND bar = ui.ControlHwnd(page, track);
  SendMessageW(bar, WM_KEYDOWN, VK_RIGHT, 0);
  SendMessageW(bar, WM_KEYUP, VK_RIGHT, 0);
  SendMessageW(bar, WM_KEYDOWN, VK_PRIOR, 0);
  EXPECT_EQ(ui.TrackPos(page, track), 1);  // 11, then a page (a fifth of 50) back
  ASSERT_GE(rec.events.size(), 3u);
  EXPECT_EQ(rec.events[0], (UiEvent{page, EventKind::Scroll, track, notify::kTbLineDown}));
  EXPECT_EQ(rec.events[1], (UiEvent{page, EventKind::Scroll, track, notify::kTbEndTrack}));
  EXPECT_EQ(rec.events[2], (UiEvent{page, EventKind::Scroll, track, notify::kTbPageUp}));

  // Enter and Escape in a window without OK and Cancel buttons do nothing.
  rec.events.clear();
  SendMessageW(ui.Hwnd(main), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  SendMessageW(ui.Hwnd(main), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(rec.events.empty());
}

TEST_F(Win32UiTest, ItemControlsKeepTheFacadesPromises) {
  const WindowHandle progress = ui.CreateDialogWindow(resources::kProgressWindow, kNoWindow);
  using resources::kProgressBar;
  ui.SetProgressRange(progress, kProgressBar, 0, 25);
  ui.SetProgressStep(progress, kProgressBar, 10);
  for (int i = 0; i < 3; ++i) ui.StepProgress(progress, kProgressBar);
  EXPECT_EQ(ui.ProgressPos(progress, kProgressBar), 25) << "a step stops at the end";
  ui.StepProgress(progress, kProgressBar);
  EXPECT_EQ(ui.ProgressPos(progress, kProgressBar), 25) << "and never wraps round";
  ui.SetProgressRange(progress, kProgressBar, 0, 10);
  EXPECT_EQ(ui.ProgressRange(progress, kProgressBar), (std::pair{0, 10}));
  EXPECT_LE(ui.ProgressPos(progress, kProgressBar), 10);
  ui.SetProgressPos(progress, kProgressBar, -5);
  EXPECT_EQ(ui.ProgressPos(progress, kProgressBar), 0);

  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  const WindowHandle debug = ui.CreateDialogWindow(resources::kDebugPage, main);
  for (const char* line : {"a", "b", "c"}) ui.AddListLine(debug, dp::kMessages, line);
  ui.SelectListLine(debug, dp::kMessages, 1);
  ui.DeleteListLine(debug, dp::kMessages, 1);
  EXPECT_EQ(ui.SelectedListLine(debug, dp::kMessages), -1);
  EXPECT_EQ(ui.ListLine(debug, dp::kMessages, 1), "c");
  ui.DeleteListLine(debug, dp::kMessages, 7);  // out of range: ignored
  EXPECT_EQ(ui.ListCount(debug, dp::kMessages), 2);

  EXPECT_EQ(ui.SelectedIndex(main, mw::kDefaultProfile), -1);
  ui.AddSelectorItem(main, mw::kDefaultProfile, "Ünïcode", -7);
  EXPECT_EQ(ui.SelectedIndex(main, mw::kDefaultProfile), -1) << "adding selects nothing";
  EXPECT_EQ(ui.ItemText(main, mw::kDefaultProfile, 0), "Ünïcode");
  EXPECT_EQ(ui.ItemData(main, mw::kDefaultProfile, 0), -7);
  EXPECT_EQ(ui.ItemData(main, mw::kDefaultProfile, 1), std::nullopt);
  ui.SelectIndex(main, mw::kDefaultProfile, 3);  // out of range: ignored
  EXPECT_EQ(ui.SelectedIndex(main, mw::kDefaultProfile), -1);

  ui.InsertTab(main, mw::kTabs, 5, "last");
  ui.InsertTab(main, mw::kTabs, 0, "first");
  EXPECT_EQ(ui.TabText(main, mw::kTabs, 0), "first");
  EXPECT_EQ(ui.TabText(main, mw::kTabs, 1), "last");
}

TEST_F(Win32UiTest, ColoursReachTheStaticsPainting) {
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  ui.SetColours(main, mw::kStatus, {Rgb{200, 0, 0}, Rgb{0, 0, 255}, false});
  HDC dc = CreateCompatibleDC(nullptr);
  const HWND status = ui.ControlHwnd(main, mw::kStatus);
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(ui.Hwnd(main), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(status)));
  EXPECT_EQ(GetTextColor(dc), RGB(200, 0, 0));
  LOGBRUSH fill{};
  ASSERT_NE(brush, nullptr);
  GetObjectW(brush, sizeof(fill), &fill);
  EXPECT_EQ(fill.lbColor, RGB(0, 0, 255));
  // A control without colours paints as the system says.
  const HWND plain = ui.ControlHwnd(main, mw::kSerial);
  EXPECT_EQ(SendMessageW(ui.Hwnd(main), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(plain)),
            SendMessageW(ui.Hwnd(main), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(plain)));
  DeleteDC(dc);
}

TEST_F(Win32UiTest, PicturesScaleByWholeFactors) {
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  const WindowHandle page = ui.CreateDialogWindow(resources::kProfilePage, main);
  const uint16_t led = resources::profile_page::kLedPictures[0];
  ui.SetPicture(page, led, resources::kLedRed);
  EXPECT_EQ(ui.PictureOf(page, led), resources::kLedRed);
  const auto bitmap = reinterpret_cast<HBITMAP>(
      SendMessageW(ui.ControlHwnd(page, led), STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  GetObjectW(bitmap, sizeof(info), &info);
  const Bitmap& red = *catalog.FindBitmap(resources::kLedRed);
  EXPECT_EQ(info.bmWidth % red.width, 0);
  EXPECT_EQ(info.bmWidth / red.width, info.bmHeight / red.height);
  ui.SetPicture(page, led, 999);  // no such picture: the old one stays
  EXPECT_EQ(ui.PictureOf(page, led), resources::kLedRed);
}

TEST_F(Win32UiTest, PostedCommandsWaitForTheLoopAndForOperations) {
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  Recorder rec(ui);
  ui.PostCommand(main, 1001);
  ui.PostCommand(main, 1002);
  EXPECT_TRUE(rec.events.empty());
  EXPECT_EQ(ui.PendingEvents(), 2u);

  ui.BeginOperation(main, "Reading");
  ui.PumpPaintMessages();
  EXPECT_TRUE(rec.events.empty()) << "nothing posted runs inside an operation";
  EXPECT_EQ(ui.RunPending(), 0u);
  ui.EndOperation();

  EXPECT_EQ(ui.RunPending(), 2u);
  ASSERT_EQ(rec.events.size(), 2u);
  EXPECT_EQ(rec.events[0].id, 1001);
  EXPECT_EQ(rec.events[1].id, 1002);

  // A destroyed window's posted events go with it.
  const WindowHandle about = ui.CreateDialogWindow(resources::kProgressWindow, kNoWindow);
  ui.PostCommand(about, 7);
  ui.DestroyWindow(about);
  EXPECT_EQ(ui.PendingEvents(), 0u);
}

TEST_F(Win32UiTest, PaintPumpDropsInputAndTimersButPaints) {
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  ui.SetOffScreen(false);
  ui.ShowWindow(main, true);
  Recorder rec(ui);
  ui.SetTimer(main, 1, 100);
  ui.BeginOperation(main, "Writing");
  EXPECT_TRUE(ui.OperationRunning());
  wchar_t busy[64] = {};
  GetWindowTextW(ui.BusyLabel(main), busy, 64);
  EXPECT_EQ(std::wstring(busy), L"Writing");
  EXPECT_TRUE(GetWindowLongW(ui.BusyBar(main), GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(GetMenuState(ui.Menu(main), 0, MF_BYPOSITION) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));

  const HWND quit = ui.ControlHwnd(main, mw::kQuit);
  PostMessageW(quit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageW(quit, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  PostMessageW(quit, WM_KEYDOWN, VK_SPACE, 0);
  PostMessageW(quit, WM_KEYUP, VK_SPACE, 0);
  InvalidateRect(ui.Hwnd(main), nullptr, TRUE);
  ui.FireTimer(main, 1);
  ui.PumpPaintMessages();
  EXPECT_TRUE(rec.events.empty()) << "clicks, keys and ticks during an operation are dropped";
  RECT dirty{};
  EXPECT_FALSE(GetUpdateRect(ui.Hwnd(main), &dirty, FALSE)) << "the window was painted";

  // The close box clicked meanwhile: held until the operation is over.
  PostMessageW(ui.Hwnd(main), WM_NCLBUTTONDOWN, HTCLOSE, 0);
  ui.PumpPaintMessages();
  EXPECT_TRUE(rec.events.empty());
  ui.EndOperation();
  EXPECT_FALSE(ui.OperationRunning());
  EXPECT_EQ(GetMenuState(ui.Menu(main), 0, MF_BYPOSITION) & MF_GRAYED, 0u);
  EXPECT_EQ(ui.RunPending(), 1u);
  ASSERT_EQ(rec.events.size(), 1u);
  EXPECT_EQ(rec.events[0], (UiEvent{main, EventKind::Close, 0, 0}));

  // Outside an operation the same click is a click.
  rec.events.clear();
  SendMessageW(ui.Hwnd(main), WM_COMMAND, MAKEWPARAM(mw::kQuit, BN_CLICKED),
               reinterpret_cast<LPARAM>(quit));
  EXPECT_EQ(rec.events.size(), 1u);
  EXPECT_GE(ui.PaintPumps(), 3u);
}

TEST_F(Win32UiTest, ModalDialogsEndWithTheirButtonsAndKeys) {
  Win32Ui attended(catalog);
  for (const auto& [post, expect] : std::vector<std::pair<std::function<void(HWND)>, int>>{
           {[](HWND d) { PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }, kIdOk},
           {[](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }, kIdCancel},
           {[](HWND d) { PostMessageW(GetDlgItem(d, IDOK), WM_KEYDOWN, VK_ESCAPE, 0); }, kIdCancel},
       }) {
    std::string caption;
    const int result = attended.RunModalDialog(resources::kAboutBox, kNoWindow, [&](WindowHandle w) {
      caption = attended.GetCaption(w);
      attended.SetText(w, resources::kAboutText, "changed");
      post(attended.Hwnd(w));
    });
    EXPECT_EQ(result, expect);
    EXPECT_EQ(caption, catalog.FindDialog(resources::kAboutBox)->caption);
    EXPECT_TRUE(attended.WindowsOf(resources::kAboutBox).empty());
  }
  EXPECT_EQ(attended.RunModalDialog(4242, kNoWindow, {}), -1);
}

TEST_F(Win32UiTest, DestroyingAWindowTakesItsPagesAndTimers) {
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  const WindowHandle page = ui.CreateDialogWindow(resources::kProfilePage, main);
  const HWND mainHwnd = ui.Hwnd(main);
  const HWND pageHwnd = ui.Hwnd(page);
  ui.SetTimer(page, 3, 50);
  ui.AddToolTip(page, resources::profile_page::kTestCh0, "tip");
  EXPECT_EQ(ui.ToolTip(page, resources::profile_page::kTestCh0), "tip");
  EXPECT_FALSE(ui.AddToolTip(page, 4242, "none"));
  ui.DestroyWindow(main);
  EXPECT_FALSE(ui.IsWindow(page));
  EXPECT_FALSE(::IsWindow(mainHwnd));
  EXPECT_FALSE(::IsWindow(pageHwnd));
  EXPECT_FALSE(ui.TimerPeriod(page, 3).has_value());
  EXPECT_EQ(ui.HandleOf(pageHwnd), kNoWindow);
  EXPECT_EQ(ui.CreateDialogWindow(resources::kProfilePage, main), kNoWindow);
}

}  // namespace
}  // namespace vt::platform::win32
