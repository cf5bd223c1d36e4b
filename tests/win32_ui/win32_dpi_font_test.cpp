// A move to a screen of another DPI: the dialog manager makes a font for it
// and gives it to the template's controls; the busy strip's label, which is
// the panel's own, must be given the window's font again or it keeps the
// old size.
#include <gtest/gtest.h>

#include <windows.h>

#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "tests/win32_ui/win32_test_ui.h"

namespace vt::platform::win32 {
namespace {

void PumpThreadMessages() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

TEST(Win32DpiChange, TheBusyLabelGetsTheWindowsNewFont) {
  Win32TestUi ui(resources::BuiltInTemplates());
  ui.SetOffScreen(true);
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  const HWND window = ui.Hwnd(main);
  const HWND label = ui.BusyLabel(main);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(SendMessageW(label, WM_GETFONT, 0, 0), SendMessageW(window, WM_GETFONT, 0, 0));

  // The label holds another font, as after an earlier move.
  const HFONT other = CreateFontW(-18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH, L"Tahoma");
  ASSERT_NE(other, nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(other), FALSE);
  ASSERT_EQ(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), other);
  RECT suggested{};
  GetWindowRect(window, &suggested);
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  PumpThreadMessages();

  EXPECT_EQ(SendMessageW(label, WM_GETFONT, 0, 0), SendMessageW(window, WM_GETFONT, 0, 0))
      << "the label took the window's font again";
  ui.DestroyWindow(main);
  DeleteObject(other);
}

}  // namespace
}  // namespace vt::platform::win32
