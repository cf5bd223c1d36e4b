#pragma once

// A settings editor without a screen: the main window and the seven set
// pages built in memory from the panel's own templates, with user events
// routed to the editor. The command line and the tests work through it, so
// they see exactly the texts the pages would show.

#include <memory>

#include "platform/ui/headless_ui.h"
#include "platform/ui/ui_script.h"
#include "editor/settings_editor.h"

namespace vt::profiles {

class HeadlessEditor {
 public:
  HeadlessEditor();
  HeadlessEditor(const HeadlessEditor&) = delete;
  HeadlessEditor& operator=(const HeadlessEditor&) = delete;

  platform::HeadlessUi& Ui() { return *ui_; }
  platform::UiScript& Script() { return script_; }
  SettingsEditor& Editor() { return *editor_; }
  platform::WindowHandle MainWindow() const { return windows_.mainWindow; }
  platform::WindowHandle Page(int setIndex) const { return editor_->PageOf(setIndex); }
  // Makes set 0..6 the current tab.
  void SelectSet(int setIndex);

 private:
  platform::UiScript script_;
  std::unique_ptr<platform::HeadlessUi> ui_;
  EditorWindows windows_;
  std::unique_ptr<SettingsEditor> editor_;
};

}  // namespace vt::profiles
