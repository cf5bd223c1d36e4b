#pragma once

#include <QPointer>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/qt/dialog_units.h"
#include "platform/ui/close_during_operation.h"
#include "platform/ui/posted_events.h"
#include "platform/ui/ui.h"

class QAction;
class QDialog;
class QObject;
class QSocketNotifier;
class QTimer;
class QWidget;

namespace vt::platform::qt {

class InputDropper;

// The UI facade on Qt 6 widgets. Every window is built from the catalog's
// dialog templates, with dialog units converted to pixels from the dialog
// font. Controls keep their state in the widgets themselves; what a widget
// cannot hold (tooltip text, picture id, progress step, colours) is kept
// beside it.
//
// Needs a QApplication; everything runs on its thread. Timers, posted
// commands and the quit request go through the Qt event loop.
class QtUi final : public Ui {
 public:
  // The shortest timer period the panel asks of the platform; shorter
  // requests run at this period (a 1 ms poll would only burn the CPU).
  static constexpr uint32_t kMinTimerPeriodMs = 10;

  // The catalog must outlive the Ui.
  explicit QtUi(const TemplateCatalog& catalog);
  ~QtUi() override;
  QtUi(const QtUi&) = delete;
  QtUi& operator=(const QtUi&) = delete;

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
  int RunMessageLoop() override;
  void PumpPaintMessages() override;
  bool WatchDevices(WindowHandle window, DeviceWatch* watch) override;
  void BeginOperation(WindowHandle window, const std::string& status) override;
  void OperationProgress(int done, int total) override;
  void EndOperation() override;

  // ---- Desktop specifics ------------------------------------------------------
  // The widget of a window (its frame for top-level windows), for screenshots
  // and tests; nullptr when there is no such window.
  QWidget* Widget(WindowHandle window) const;
  // The widget of a control; nullptr when missing.
  QWidget* ControlWidget(WindowHandle window, uint16_t id) const;
  // The menu action of an item of the window's menu; nullptr when missing.
  QAction* MenuAction(WindowHandle window, uint16_t itemId) const;
  // The period a timer really runs at (never below kMinTimerPeriodMs).
  std::optional<uint32_t> EffectiveTimerPeriod(WindowHandle window, uint16_t timerId) const;
  const DialogBaseUnits& BaseUnits() const { return units_; }
  // Live windows made from a template, oldest first.
  std::vector<WindowHandle> WindowsOf(uint16_t templateId) const;
  // Runs after each paint pump (tests and screenshots look at long
  // operations through it); the count of pumps so far.
  void SetPaintPumpObserver(std::function<void()> observer) { pumpObserver_ = std::move(observer); }
  size_t PaintPumps() const { return paintPumps_; }
  // Timer events raised so far, all timers together.
  size_t TimerTicks() const { return timerTicks_; }
  // A board operation is running (BeginOperation without its EndOperation).
  bool OperationRunning() const { return operationDepth_ > 0; }
  // The busy strip of a window with a menu: its text and its bar; nullptr
  // for other windows.
  QWidget* BusyLabel(WindowHandle window) const;
  QWidget* BusyBar(WindowHandle window) const;
  // Modal windows (questions, file choices, modal dialogs) open right now.
  int OpenModals() const { return static_cast<int>(modals_.size()); }

  // Unattended: no modal window is ever shown. Questions go to the script
  // (whose safe default answers what nobody queued), and modal dialogs are
  // built, initialised, handed to the modal responder and closed.
  void SetUnattended(bool on) { unattended_ = on; }
  bool Unattended() const { return unattended_; }
  // Called with each modal dialog while unattended; returns the id of the
  // button that closes it. Default: kIdOk.
  using ModalResponder = std::function<int(WindowHandle)>;
  void SetModalResponder(ModalResponder responder) { modalResponder_ = std::move(responder); }
  // Questions asked while attended are recorded in the script as well.
  UiScript& Script() { return *script_; }

 private:
  struct ControlEntry {
    uint16_t id = kUnnamedControl;
    ControlClass cls = ControlClass::Static;
    Rect place;  // dialog units
    QPointer<QWidget> widget;
    std::string text;  // for controls whose widget shows no text
    std::optional<std::string> toolTip;
    uint16_t picture = 0;
    int progressStep = 10;
    ControlColours colours;
  };
  struct WindowEntry {
    uint16_t templateId = 0;
    WindowHandle parent = kNoWindow;
    bool topLevel = false;
    bool visible = false;
    uint32_t style = 0;  // style:: window bits of the template
    std::string caption;
    Rect place;  // dialog units
    QPointer<QWidget> frame;   // what is shown, moved and destroyed
    QPointer<QWidget> client;  // where the controls live
    std::vector<ControlEntry> controls;
    std::map<uint16_t, QPointer<QAction>> menuActions;
    std::map<uint16_t, bool> menuChecks;
    QPointer<QWidget> busyLabel;  // the busy strip under the client area
    QPointer<QWidget> busyBar;
    bool remembersPlace = false;  // a main window: back where it was last time
    bool placed = false;          // shown once (restored or centred)
  };
  struct TimerEntry {
    QTimer* timer = nullptr;
    uint32_t requestedMs = 0;
  };

  WindowEntry* FindWindow(WindowHandle window);
  const WindowEntry* FindWindow(WindowHandle window) const;
  ControlEntry* Find(WindowHandle window, uint16_t id);
  const ControlEntry* Find(WindowHandle window, uint16_t id) const;
  template <typename W>
  W* WidgetOf(WindowHandle window, uint16_t id, ControlClass cls) const;

  WindowHandle Build(const DialogTemplate& tpl, WindowHandle parent, bool modal);
  void BuildControls(WindowHandle handle, const DialogTemplate& tpl);
  void Connect(WindowHandle handle, const ControlTemplate& tpl, QWidget* widget);
  void BuildMenu(WindowHandle handle, uint16_t menuId);
  void ApplyColours(ControlEntry& entry);
  void ShowLater(WindowHandle window);
  void SavePlace(const WindowEntry& entry);
  // Puts the focus chain of the window holding `window` in reading order.
  void ArrangeFocus(WindowHandle window);

  void Raise(const UiEvent& event);
  void Queue(const UiEvent& event);
  void ScheduleDrain();
  void DrainOne();
  void KillTimersOf(WindowHandle window);
  void AskCloseDuringOperation();
  void RequestClose(WindowHandle window);
  int RunModal(QDialog& dialog);
  void CloseModals();

  const TemplateCatalog& catalog_;
  DialogBaseUnits units_;
  std::unique_ptr<QObject> host_;  // parent of timers, target of queued calls
  EventHandler handler_;
  UiScript ownScript_;
  UiScript* script_ = &ownScript_;
  bool unattended_ = false;
  ModalResponder modalResponder_;

  std::map<WindowHandle, WindowEntry> windows_;
  WindowHandle nextHandle_ = 1;
  std::map<std::pair<WindowHandle, uint16_t>, TimerEntry> timers_;
  PostedEvents posted_;
  bool drainScheduled_ = false;
  bool pumping_ = false;
  std::unique_ptr<InputDropper> dropper_;
  std::optional<int> quitCode_;
  std::function<void()> pumpObserver_;
  size_t paintPumps_ = 0;
  size_t timerTicks_ = 0;
  int operationDepth_ = 0;
  WindowHandle operationWindow_ = kNoWindow;
  CloseDuringOperation close_;
  std::vector<QPointer<QDialog>> modals_;
  QSocketNotifier* deviceNotifier_ = nullptr;  // a child of host_
};

// The control's widget when it is of class `cls`; nullptr otherwise.
template <typename W>
W* QtUi::WidgetOf(WindowHandle window, uint16_t id, ControlClass cls) const {
  const ControlEntry* control = Find(window, id);
  if (control == nullptr || control->cls != cls) return nullptr;
  return static_cast<W*>(control->widget.data());
}

}  // namespace vt::platform::qt
