// Every template's labels, buttons and check boxes show their whole text in
// the system's dialog font.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "resources/templates.h"
#include "tests/win32_ui/text_fit.h"
#include "tests/win32_ui/win32_test_ui.h"

namespace vt::platform::win32 {
namespace {

TEST(Win32TextFit, NoTemplateTextIsClipped) {
  Win32TestUi ui(resources::BuiltInTemplates());
  const WindowHandle main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
  for (const DialogTemplate& tpl : resources::BuiltInTemplates().dialogs) {
    SCOPED_TRACE(tpl.id);
    const bool page = (tpl.style & style::kChild) != 0;
    const WindowHandle w = tpl.id == resources::kMainWindow
                               ? main
                               : ui.CreateDialogWindow(tpl.id, page ? main : kNoWindow);
    ASSERT_NE(w, kNoWindow);
    const std::vector<ClippedText> clipped = ClippedTexts(ui.Hwnd(w));
    EXPECT_TRUE(clipped.empty()) << Describe(clipped);
  }
}

}  // namespace
}  // namespace vt::platform::win32
