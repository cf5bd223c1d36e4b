#pragma once

#include <array>
#include <cstdint>

#include "platform/ui/ui.h"
#include "editor/settings_editor.h"

namespace vt::shell {

// The main window's pages: slots 0-6 the settings pages of Set #1..#7,
// slot 7 the Debug page (empty when the debug log is off), slots 8-9 always
// empty. Loops over pages run over all ten slots and skip empty ones.
inline constexpr int kPageSlots = 10;
inline constexpr int kSetPages = 7;
inline constexpr int kDebugSlot = 7;
using PageTable = std::array<platform::WindowHandle, kPageSlots>;

// Where a page sits on the main window: inside the tab control, below the
// row of tabs (dialog units).
inline constexpr int kTabInset = 2;
inline constexpr int kTabHeaderHeight = 15;

// The four start-up stages of the settings window, run once in this order
// when the main window is created.

// Tabs "Set #1".."Set #7" with a page from template 302 each, and "Debug"
// with the Debug page (303) when `debugLog` is on. Pages are placed in the
// tab control and hidden; page 0 is then shown. Fills `pages`.
void InitTabbedDialog(platform::Ui& ui, platform::WindowHandle mainWindow, bool debugLog,
                      PageTable& pages);

// Every track bar on the pages: range 0..(2^(w+1))-1 from its control
// identifier, position 0; the servo position bars get a tick at 150, the
// centre. The Debug page's test output bar gets 0..20.
void InitTrackBars(platform::Ui& ui, const PageTable& pages);

// The main window's "Default Profile" list: "#1".."#7" carrying 0..6, the
// first selected.
void InitComboBoxes(platform::Ui& ui, platform::WindowHandle mainWindow);

// Tooltips on the main window's serial and firmware fields and on each set
// page's test buttons and LED caption; each set page's LED pictures show its
// set number in binary (red = bit set, dark = clear) and a green last LED.
void InitToolTips(platform::Ui& ui, platform::WindowHandle mainWindow, const PageTable& pages);

// The settings editor's view of the same windows.
profiles::EditorWindows EditorWindowsOf(platform::WindowHandle mainWindow, const PageTable& pages);

}  // namespace vt::shell
