#include "shell/settings_window.h"

#include <string>

#include "resources/resource_ids.h"

namespace vt::shell {

namespace {

// Puts a page into the tab control's display area, keeping its own size.
void PlacePage(platform::Ui& ui, platform::WindowHandle mainWindow, platform::WindowHandle page) {
  const platform::Rect tabs = ui.GetControlRect(mainWindow, resources::main_window::kTabs);
  const platform::Rect own = ui.GetWindowRect(page);
  ui.MoveWindow(page, {tabs.x + kTabInset, tabs.y + kTabHeaderHeight, own.width, own.height});
}

platform::WindowHandle AddPage(platform::Ui& ui, platform::WindowHandle mainWindow, int index,
                               const std::string& title, uint16_t templateId) {
  ui.InsertTab(mainWindow, resources::main_window::kTabs, index, title);
  const platform::WindowHandle page = ui.CreateDialogWindow(templateId, mainWindow);
  if (page != platform::kNoWindow) {
    PlacePage(ui, mainWindow, page);
    ui.ShowWindow(page, false);
  }
  return page;
}

}  // namespace

void InitTabbedDialog(platform::Ui& ui, platform::WindowHandle mainWindow, bool debugLog,
                      PageTable& pages) {
  pages.fill(platform::kNoWindow);
  for (int i = 0; i < kSetPages; ++i) {
    pages[static_cast<size_t>(i)] =
        AddPage(ui, mainWindow, i, "Set #" + std::to_string(i + 1), resources::kProfilePage);
  }
  if (debugLog) {
    pages[kDebugSlot] = AddPage(ui, mainWindow, kDebugSlot, "Debug", resources::kDebugPage);
  }
  ui.ShowWindow(pages[0], true);
}

profiles::EditorWindows EditorWindowsOf(platform::WindowHandle mainWindow, const PageTable& pages) {
  profiles::EditorWindows windows;
  windows.mainWindow = mainWindow;
  for (size_t i = 0; i < windows.sets.size() && i < static_cast<size_t>(kSetPages); ++i) {
    windows.sets[i] = pages[i];
  }
  windows.debug = pages[kDebugSlot];
  return windows;
}

}  // namespace vt::shell
