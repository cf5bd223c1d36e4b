#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

// The Win32 Ui driven the way HeadlessUi is, so the panel's behaviour tests
// run against real dialogs: questions come from the script, modal dialogs
// are answered from a queue, timers tick only when told, and the User*
// calls act on the controls and send the owner the very messages the
// controls send when a person uses them.
class Win32TestUi final : public Win32Ui {
 public:
  explicit Win32TestUi(const TemplateCatalog& catalog);

  bool FireTimer(WindowHandle window, uint16_t timerId) { return RaiseTimer(window, timerId); }

  // Each refuses (false) on a missing, disabled or hidden control.
  bool UserClick(WindowHandle window, uint16_t id);               // button, check box
  bool UserSelect(WindowHandle window, uint16_t id, int index);   // selector item
  bool UserMoveTrack(WindowHandle window, uint16_t id, int pos,
                     uint16_t code = notify::kTbThumbTrack);
  bool UserEnterText(WindowHandle window, uint16_t id, const std::string& text);
  bool UserChooseMenu(WindowHandle window, uint16_t itemId);      // refuses a greyed item
  bool UserSelectTab(WindowHandle window, uint16_t id, int index);
  void UserClose(WindowHandle window);

  void QueueModalResult(int buttonId) { modalResults_.push_back(buttonId); }
  struct ShownModal {
    uint16_t templateId = 0;
    std::string caption;
    std::map<uint16_t, std::string> texts;  // every addressable control's text
    int result = kIdOk;
  };
  const std::vector<ShownModal>& ModalDialogs() const { return modals_; }

 private:
  HWND UserTarget(WindowHandle window, uint16_t id, ControlClass cls) const;

  std::deque<int> modalResults_;
  std::vector<ShownModal> modals_;
};

}  // namespace vt::platform::win32
