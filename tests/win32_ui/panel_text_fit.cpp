// The panel's windows as a person sees them after start-up with a board:
// no label, button or drop-down choice is cut short.
#include <gtest/gtest.h>

#include "tests/shell_main/panel_fixture.h"
#include "tests/win32_ui/text_fit.h"

namespace vt::shell::testing {
namespace {

TEST(PanelTextFit, NoLabelOrChoiceIsClippedOnTheMainWindowAndItsPages) {
  PanelFixture p(/*debugLog=*/true);
  p.Start();
  const auto& pages = p.panel.Pages();
  for (platform::WindowHandle w : {p.main, pages.front(), pages[7]}) {
    SCOPED_TRACE(p.ui.TemplateOf(w));
    const auto clipped = platform::win32::ClippedTexts(p.ui.Hwnd(w));
    EXPECT_TRUE(clipped.empty()) << platform::win32::Describe(clipped);
  }
}

}  // namespace
}  // namespace vt::shell::testing
