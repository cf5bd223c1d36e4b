#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/ui.h"

namespace vt::platform {

// The user interface kept entirely in memory. Windows are built from the
// catalog's templates; questions are answered from a UiScript; timers fire
// and posted commands run only when the owner says so (FireTimer,
// RunPending), so tests decide exactly when anything happens.
//
// The User* calls act as a person would: they change the control and raise
// its event, and they refuse (false) on a missing, disabled or hidden control.
class HeadlessUi final : public Ui {
 public:
  // The catalog must outlive the Ui.
  explicit HeadlessUi(const TemplateCatalog& catalog);

  // ---- Ui -------------------------------------------------------------------
  void SetEventHandler(EventHandler handler) override;
  WindowHandle CreateDialogWindow(uint16_t templateId, WindowHandle parent) override;
  int RunModalDialog(uint16_t templateId, WindowHandle owner, const InitHandler& onInit) override;
  void DestroyWindow(WindowHandle window) override;
  bool IsWindow(WindowHandle window) const override;
  uint16_t TemplateOf(WindowHandle window) const override;
  WindowHandle ParentOf(WindowHandle window) const override;
  void ShowWindow(WindowHandle window, bool show) override;
  bool IsWindowVisible(WindowHandle window) const override;
  void MoveWindow(WindowHandle window, const Rect& place) override;
  Rect GetWindowRect(WindowHandle window) const override;
  std::string GetCaption(WindowHandle window) const override;
  void SetCaption(WindowHandle window, const std::string& caption) override;

  bool HasControl(WindowHandle window, uint16_t id) const override;
  std::vector<uint16_t> ControlIds(WindowHandle window) const override;
  std::optional<ControlClass> ClassOf(WindowHandle window, uint16_t id) const override;
  Rect GetControlRect(WindowHandle window, uint16_t id) const override;
  std::string GetText(WindowHandle window, uint16_t id) const override;
  void SetText(WindowHandle window, uint16_t id, const std::string& text) override;
  bool IsChecked(WindowHandle window, uint16_t id) const override;
  void SetCheck(WindowHandle window, uint16_t id, bool checked) override;
  bool IsEnabled(WindowHandle window, uint16_t id) const override;
  void Enable(WindowHandle window, uint16_t id, bool enable) override;
  bool IsVisible(WindowHandle window, uint16_t id) const override;
  void Show(WindowHandle window, uint16_t id, bool show) override;
  ControlColours GetColours(WindowHandle window, uint16_t id) const override;
  void SetColours(WindowHandle window, uint16_t id, const ControlColours& colours) override;

  void ClearSelector(WindowHandle window, uint16_t id) override;
  int AddSelectorItem(WindowHandle window, uint16_t id, const std::string& text,
                      int32_t data) override;
  int SelectorCount(WindowHandle window, uint16_t id) const override;
  void SelectIndex(WindowHandle window, uint16_t id, int index) override;
  int SelectedIndex(WindowHandle window, uint16_t id) const override;
  std::optional<int32_t> ItemData(WindowHandle window, uint16_t id, int index) const override;
  std::string ItemText(WindowHandle window, uint16_t id, int index) const override;

  void SetTrackRange(WindowHandle window, uint16_t id, int min, int max) override;
  std::pair<int, int> TrackRange(WindowHandle window, uint16_t id) const override;
  void SetTrackPos(WindowHandle window, uint16_t id, int pos) override;
  int TrackPos(WindowHandle window, uint16_t id) const override;
  void SetTrackTick(WindowHandle window, uint16_t id, int pos) override;
  std::vector<int> TrackTicks(WindowHandle window, uint16_t id) const override;

  int AddListLine(WindowHandle window, uint16_t id, const std::string& text) override;
  void DeleteListLine(WindowHandle window, uint16_t id, int index) override;
  void ClearList(WindowHandle window, uint16_t id) override;
  int ListCount(WindowHandle window, uint16_t id) const override;
  std::string ListLine(WindowHandle window, uint16_t id, int index) const override;
  void SelectListLine(WindowHandle window, uint16_t id, int index) override;
  int SelectedListLine(WindowHandle window, uint16_t id) const override;

  void InsertTab(WindowHandle window, uint16_t id, int index, const std::string& text) override;
  int TabCount(WindowHandle window, uint16_t id) const override;
  std::string TabText(WindowHandle window, uint16_t id, int index) const override;
  int TabSelection(WindowHandle window, uint16_t id) const override;
  void SelectTab(WindowHandle window, uint16_t id, int index) override;

  void SetProgressRange(WindowHandle window, uint16_t id, int min, int max) override;
  void SetProgressStep(WindowHandle window, uint16_t id, int step) override;
  void StepProgress(WindowHandle window, uint16_t id) override;
  void SetProgressPos(WindowHandle window, uint16_t id, int pos) override;
  int ProgressPos(WindowHandle window, uint16_t id) const override;
  std::pair<int, int> ProgressRange(WindowHandle window, uint16_t id) const override;

  void SetPicture(WindowHandle window, uint16_t id, uint16_t bitmapId) override;
  uint16_t PictureOf(WindowHandle window, uint16_t id) const override;
  bool AddToolTip(WindowHandle window, uint16_t id, const std::string& text) override;
  std::optional<std::string> ToolTip(WindowHandle window, uint16_t id) const override;
  void CheckMenuItem(WindowHandle window, uint16_t itemId, bool checked) override;
  bool IsMenuItemChecked(WindowHandle window, uint16_t itemId) const override;

  MessageAnswer MessageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
  void SetScript(UiScript* script) override;

  void SetTimer(WindowHandle window, uint16_t timerId, uint32_t periodMs) override;
  bool KillTimer(WindowHandle window, uint16_t timerId) override;
  std::optional<uint32_t> TimerPeriod(WindowHandle window, uint16_t timerId) const override;
  void SendCommand(WindowHandle window, uint16_t commandId, uint16_t code = 0) override;
  void PostCommand(WindowHandle window, uint16_t commandId) override;
  void PostClose(WindowHandle window) override;
  void PostQuit(int exitCode) override;
  // Runs what is queued; returns the exit code, or -1 when the queue ran dry
  // without a quit (nothing else could ever happen headless).
  int RunMessageLoop() override;
  void PumpPaintMessages() override;
  bool WatchDevices(WindowHandle window, DeviceWatch* watch) override;

  // ---- Driving it -----------------------------------------------------------
  // The script in use: the one set by SetScript, else the Ui's own.
  UiScript& Script() { return *script_; }
  // Raises queued events, including ones queued meanwhile, until the queue
  // is empty or the quit is posted; returns how many ran.
  size_t RunPending();
  size_t PendingEvents() const { return queue_.size(); }
  std::optional<int> QuitCode() const { return quitCode_; }
  // Raises the timer's event once if it is running.
  bool FireTimer(WindowHandle window, uint16_t timerId);
  size_t PaintPumps() const { return paintPumps_; }
  // What the loop does when the watched descriptor is readable: takes the
  // watch's notices and raises DeviceChange when it reports a change.
  // False when nothing was raised.
  bool CheckDeviceWatch();

  bool UserClick(WindowHandle window, uint16_t id);               // button, check box
  bool UserSelect(WindowHandle window, uint16_t id, int index);   // selector item
  bool UserMoveTrack(WindowHandle window, uint16_t id, int pos,
                     uint16_t code = notify::kTbThumbTrack);
  bool UserEnterText(WindowHandle window, uint16_t id, const std::string& text);
  bool UserChooseMenu(WindowHandle window, uint16_t itemId);
  bool UserSelectTab(WindowHandle window, uint16_t id, int index);
  void UserClose(WindowHandle window);

  // Modal dialogs: the closing button of the next ones (default kIdOk), and
  // what each showed just before it closed.
  void QueueModalResult(int buttonId) { modalResults_.push_back(buttonId); }
  struct ShownModal {
    uint16_t templateId = 0;
    WindowHandle owner = kNoWindow;
    std::string caption;
    std::map<uint16_t, std::string> texts;  // every addressable control's text
    int result = kIdOk;
  };
  const std::vector<ShownModal>& ModalDialogs() const { return modals_; }

  // Live windows made from a template, oldest first.
  std::vector<WindowHandle> WindowsOf(uint16_t templateId) const;

 private:
  struct Control {
    ControlTemplate tpl;
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
    ControlColours colours;
    std::vector<std::pair<std::string, int32_t>> items;  // selector and tabs
    int selected = -1;                                   // selector, list, tabs
    std::vector<std::string> lines;                      // list box
    int min = 0, max = 100, pos = 0, step = 10;          // track and progress
    std::vector<int> ticks;
    uint16_t picture = 0;
    std::optional<std::string> toolTip;
  };
  struct Window {
    uint16_t templateId = 0;
    WindowHandle parent = kNoWindow;
    std::string caption;
    bool visible = false;
    Rect place;
    std::vector<Control> controls;
    std::map<uint16_t, size_t> byId;  // the first control with each identifier
    std::map<uint16_t, bool> menuChecks;  // every item of the window's menu
  };
  Window* FindWindow(WindowHandle window);
  const Window* FindWindow(WindowHandle window) const;
  Control* Find(WindowHandle window, uint16_t id);
  const Control* Find(WindowHandle window, uint16_t id) const;
  Control* FindOf(WindowHandle window, uint16_t id, ControlClass cls);
  const Control* FindOf(WindowHandle window, uint16_t id, ControlClass cls) const;
  Control* UserTarget(WindowHandle window, uint16_t id);
  void Raise(const UiEvent& event);

  const TemplateCatalog& catalog_;
  EventHandler handler_;
  UiScript ownScript_;
  UiScript* script_ = &ownScript_;
  std::map<WindowHandle, Window> windows_;
  WindowHandle nextHandle_ = 1;
  std::map<std::pair<WindowHandle, uint16_t>, uint32_t> timers_;
  std::deque<UiEvent> queue_;
  std::optional<int> quitCode_;
  size_t paintPumps_ = 0;
  std::deque<int> modalResults_;
  std::vector<ShownModal> modals_;
  DeviceWatch* watch_ = nullptr;
  WindowHandle watchWindow_ = kNoWindow;
};

}  // namespace vt::platform
