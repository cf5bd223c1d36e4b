#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/device_watch.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/ui_script.h"
#include "platform/ui/ui_types.h"

// Windows' headers make MessageBox a macro; here it is the facade's own.
#ifdef MessageBox
#undef MessageBox
#endif

namespace vt::platform {

// The user interface as the panel's logic sees it: windows made from dialog
// templates (main window 300, About 301, profile page 302, Debug page 303,
// progress window 10000) and addressed by handle, controls addressed by their
// numeric id, Win32 style. Implementations: HeadlessUi (in memory, for tests
// and the command line) and the Qt desktop panel.
//
// Every operation on a window or control that does not exist does nothing
// and returns the empty value (false, 0, -1, "" or nullopt): callers probe
// controls this way, as the Win32 original did with GetDlgItem.
//
// Controls report to one event handler (SetEventHandler). Changing a control
// through this interface never raises an event; only the user (or a posted
// or sent command) does, as with Win32 messages.
class Ui {
 public:
  using EventHandler = std::function<void(const UiEvent&)>;
  using InitHandler = std::function<void(WindowHandle)>;

  virtual ~Ui() = default;

  // ---- Events -------------------------------------------------------------
  virtual void SetEventHandler(EventHandler handler) = 0;

  // ---- Windows --------------------------------------------------------------
  // A modeless window from a template; kNoWindow when the template is
  // unknown. A parent makes it a child (pages of the tab control).
  virtual WindowHandle CreateDialogWindow(uint16_t templateId, WindowHandle parent) = 0;
  // A modal dialog owned by `owner`: built, `onInit` run on it, shown until
  // a button with id kIdOk or kIdCancel closes it; returns that id, or -1
  // when the template is unknown. The window is destroyed before returning.
  virtual int RunModalDialog(uint16_t templateId, WindowHandle owner,
                             const InitHandler& onInit) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;
  virtual bool IsWindow(WindowHandle window) const = 0;
  virtual uint16_t TemplateOf(WindowHandle window) const = 0;  // 0: none
  virtual WindowHandle ParentOf(WindowHandle window) const = 0;
  virtual void ShowWindow(WindowHandle window, bool show) = 0;
  virtual bool IsWindowVisible(WindowHandle window) const = 0;
  // Position and size in dialog units, relative to the parent's client area.
  virtual void MoveWindow(WindowHandle window, const Rect& place) = 0;
  virtual Rect GetWindowRect(WindowHandle window) const = 0;
  virtual std::string GetCaption(WindowHandle window) const = 0;
  virtual void SetCaption(WindowHandle window, const std::string& caption) = 0;

  // ---- Any control ----------------------------------------------------------
  virtual bool HasControl(WindowHandle window, uint16_t id) const = 0;
  // Ids of the window's addressable controls, in template order.
  virtual std::vector<uint16_t> ControlIds(WindowHandle window) const = 0;
  virtual std::optional<ControlClass> ClassOf(WindowHandle window, uint16_t id) const = 0;
  virtual Rect GetControlRect(WindowHandle window, uint16_t id) const = 0;
  virtual std::string GetText(WindowHandle window, uint16_t id) const = 0;
  virtual void SetText(WindowHandle window, uint16_t id, const std::string& text) = 0;
  virtual bool IsChecked(WindowHandle window, uint16_t id) const = 0;
  virtual void SetCheck(WindowHandle window, uint16_t id, bool checked) = 0;
  virtual bool IsEnabled(WindowHandle window, uint16_t id) const = 0;
  virtual void Enable(WindowHandle window, uint16_t id, bool enable) = 0;
  virtual bool IsVisible(WindowHandle window, uint16_t id) const = 0;
  virtual void Show(WindowHandle window, uint16_t id, bool show) = 0;
  virtual ControlColours GetColours(WindowHandle window, uint16_t id) const = 0;
  virtual void SetColours(WindowHandle window, uint16_t id, const ControlColours& colours) = 0;

  // ---- Selector (drop-down list) --------------------------------------------
  virtual void ClearSelector(WindowHandle window, uint16_t id) = 0;
  // Appends an item carrying `data` (the choice's code); returns its index.
  virtual int AddSelectorItem(WindowHandle window, uint16_t id, const std::string& text,
                              int32_t data) = 0;
  virtual int SelectorCount(WindowHandle window, uint16_t id) const = 0;
  // index -1 clears the selection; an index out of range is ignored.
  virtual void SelectIndex(WindowHandle window, uint16_t id, int index) = 0;
  virtual int SelectedIndex(WindowHandle window, uint16_t id) const = 0;  // -1 none
  virtual std::optional<int32_t> ItemData(WindowHandle window, uint16_t id, int index) const = 0;
  virtual std::string ItemText(WindowHandle window, uint16_t id, int index) const = 0;
  std::optional<int32_t> SelectedData(WindowHandle window, uint16_t id) const {
    return ItemData(window, id, SelectedIndex(window, id));
  }
  std::string SelectedText(WindowHandle window, uint16_t id) const {
    return ItemText(window, id, SelectedIndex(window, id));
  }

  // ---- Track bar ------------------------------------------------------------
  // The position is kept inside the range, as a track bar does.
  virtual void SetTrackRange(WindowHandle window, uint16_t id, int min, int max) = 0;
  virtual std::pair<int, int> TrackRange(WindowHandle window, uint16_t id) const = 0;
  virtual void SetTrackPos(WindowHandle window, uint16_t id, int pos) = 0;
  virtual int TrackPos(WindowHandle window, uint16_t id) const = 0;
  virtual void SetTrackTick(WindowHandle window, uint16_t id, int pos) = 0;
  virtual std::vector<int> TrackTicks(WindowHandle window, uint16_t id) const = 0;

  // ---- List box -------------------------------------------------------------
  virtual int AddListLine(WindowHandle window, uint16_t id, const std::string& text) = 0;
  virtual void DeleteListLine(WindowHandle window, uint16_t id, int index) = 0;
  virtual void ClearList(WindowHandle window, uint16_t id) = 0;
  virtual int ListCount(WindowHandle window, uint16_t id) const = 0;
  virtual std::string ListLine(WindowHandle window, uint16_t id, int index) const = 0;
  virtual void SelectListLine(WindowHandle window, uint16_t id, int index) = 0;
  virtual int SelectedListLine(WindowHandle window, uint16_t id) const = 0;  // -1 none

  // ---- Tab control ----------------------------------------------------------
  virtual void InsertTab(WindowHandle window, uint16_t id, int index, const std::string& text) = 0;
  virtual int TabCount(WindowHandle window, uint16_t id) const = 0;
  virtual std::string TabText(WindowHandle window, uint16_t id, int index) const = 0;
  virtual int TabSelection(WindowHandle window, uint16_t id) const = 0;  // -1 none
  // Selects without raising TabChange, like TCM_SETCURSEL.
  virtual void SelectTab(WindowHandle window, uint16_t id, int index) = 0;

  // ---- Progress bar ---------------------------------------------------------
  virtual void SetProgressRange(WindowHandle window, uint16_t id, int min, int max) = 0;
  virtual void SetProgressStep(WindowHandle window, uint16_t id, int step) = 0;
  virtual void StepProgress(WindowHandle window, uint16_t id) = 0;  // stays in range
  virtual void SetProgressPos(WindowHandle window, uint16_t id, int pos) = 0;
  virtual int ProgressPos(WindowHandle window, uint16_t id) const = 0;
  virtual std::pair<int, int> ProgressRange(WindowHandle window, uint16_t id) const = 0;

  // ---- Pictures, tooltips, menu ---------------------------------------------
  // Shows bitmap resource `bitmapId` in a Picture control.
  virtual void SetPicture(WindowHandle window, uint16_t id, uint16_t bitmapId) = 0;
  virtual uint16_t PictureOf(WindowHandle window, uint16_t id) const = 0;  // 0 none
  // Gives the control a tooltip; false (and nothing done) when it is missing.
  virtual bool AddToolTip(WindowHandle window, uint16_t id, const std::string& text) = 0;
  virtual std::optional<std::string> ToolTip(WindowHandle window, uint16_t id) const = 0;
  // Check marks of the window's menu items.
  virtual void CheckMenuItem(WindowHandle window, uint16_t itemId, bool checked) = 0;
  virtual bool IsMenuItemChecked(WindowHandle window, uint16_t itemId) const = 0;

  // ---- Questions ------------------------------------------------------------
  virtual MessageAnswer MessageBox(const MessageBoxRequest& request) = 0;
  // The chosen path, or nullopt when the dialog was cancelled.
  virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;
  // Scripted answers: when a script is set and holds an answer, it is used
  // instead of asking. HeadlessUi always answers from its script.
  virtual void SetScript(UiScript* script) = 0;

  // ---- Timers, commands, the loop --------------------------------------------
  // (Re)starts timer `timerId` of the window; each period raises a Timer event.
  virtual void SetTimer(WindowHandle window, uint16_t timerId, uint32_t periodMs) = 0;
  // False when the timer was not running.
  virtual bool KillTimer(WindowHandle window, uint16_t timerId) = 0;
  virtual std::optional<uint32_t> TimerPeriod(WindowHandle window, uint16_t timerId) const = 0;
  // Raises Command(id, code) for the window now and returns when it is handled.
  virtual void SendCommand(WindowHandle window, uint16_t commandId, uint16_t code = 0) = 0;
  // Queues Command(id) for the window; the loop raises it later.
  virtual void PostCommand(WindowHandle window, uint16_t commandId) = 0;
  // Queues a Close event for the window.
  virtual void PostClose(WindowHandle window) = 0;
  // Asks the loop to end with this exit code.
  virtual void PostQuit(int exitCode) = 0;
  // Runs the loop until PostQuit; returns the exit code.
  virtual int RunMessageLoop() = 0;
  // Lets windows repaint during a long operation. User input that arrives
  // meanwhile is discarded; the program's own posted commands stay queued.
  virtual void PumpPaintMessages() = 0;
  // The loop waits on `watch` too, and raises DeviceChange for `window`
  // when it reports a change; like a posted command, the event waits until
  // a running operation and open questions are over, and one stands for
  // all that came meanwhile. False (and nothing raised, ever) when this
  // front end cannot wait on it. The watch must outlive the window.
  virtual bool WatchDevices(WindowHandle window, DeviceWatch* watch) {
    (void)window;
    (void)watch;
    return false;
  }

  // ---- Long operations --------------------------------------------------------
  // A board operation runs on `window`: until EndOperation the window takes
  // no input (what the user does meanwhile is dropped, never replayed later),
  // shows a busy cue, `status` and a progress bar. A close asked for meanwhile
  // is held until the operation is over, so the board is never left half
  // programmed. Front ends without such a cue keep the defaults.
  virtual void BeginOperation(WindowHandle window, const std::string& status) {
    (void)window;
    (void)status;
  }
  // Progress of the running operation; total 0 means "unknown".
  virtual void OperationProgress(int done, int total) {
    (void)done;
    (void)total;
  }
  virtual void EndOperation() {}
};

}  // namespace vt::platform
