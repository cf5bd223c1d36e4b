#pragma once

#include <windows.h>
// The facade has a MessageBox of its own; Windows' is called by its wide
// name (MessageBoxW).
#undef MessageBox

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/close_during_operation.h"
#include "platform/ui/posted_events.h"
#include "platform/ui/ui.h"

struct IFileDialog;

namespace vt::platform::win32 {

// The UI facade on the native Win32 API. Every window is a dialog built in
// memory from the catalog's templates (DLGTEMPLATEEX, dialog units, the
// template's font), with the common controls: tab control, track bars,
// progress bars, combo boxes, list boxes. Control ids, texts and menus are
// the templates' own, so the window looks to Windows tools exactly as the
// templates describe it.
//
// Everything runs on the thread that made the Ui. Posted commands and
// deferred showing go through a message-only window; timers are Win32
// timers of the dialogs.
class Win32Ui : public Ui {
 public:
  // The shortest timer period the panel asks of the system.
  static constexpr uint32_t kMinTimerPeriodMs = 10;
  // Pixels (at 96 DPI) that a check box, a push button and a group box take
  // besides their text: the box and its gap, the button's edges, the
  // frame's indent before and after its caption.
  static constexpr int kCheckRoom = 17;
  static constexpr int kButtonRoom = 6;
  static constexpr int kGroupRoom = 14;

  // The catalog must outlive the Ui.
  explicit Win32Ui(const TemplateCatalog& catalog);
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

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
  // Registers for HID arrivals and removals (WM_DEVICECHANGE).
  bool WatchDevices(WindowHandle window, DeviceWatch* watch) override;
  void BeginOperation(WindowHandle window, const std::string& status) override;
  void OperationProgress(int done, int total) override;
  void EndOperation() override;

  // ---- Windows specifics ------------------------------------------------------
  HWND Hwnd(WindowHandle window) const;                    // nullptr: none
  HWND ControlHwnd(WindowHandle window, uint16_t id) const;  // nullptr: none
  HMENU Menu(WindowHandle window) const;                   // nullptr: none
  // The window behind a dialog HWND; kNoWindow when it is not one of ours.
  WindowHandle HandleOf(HWND hwnd) const;
  // Dialog units of the window to pixels, each coordinate on its own, as
  // the dialog manager places a template's controls.
  Rect ToPixels(WindowHandle window, const Rect& du) const;
  // The icon every top-level window shows (big and small); not owned.
  void SetIcons(HICON big, HICON small);
  std::vector<WindowHandle> WindowsOf(uint16_t templateId) const;
  size_t PaintPumps() const { return paintPumps_; }
  size_t TimerTicks() const { return timerTicks_; }
  bool OperationRunning() const { return operationDepth_ > 0; }
  // The busy strip of a window with a menu; nullptr for other windows.
  HWND BusyLabel(WindowHandle window) const;
  HWND BusyBar(WindowHandle window) const;
  int OpenModals() const { return static_cast<int>(modals_.size()); }

  // Unattended: no modal window is ever shown. Questions go to the script,
  // modal dialogs are built, initialised, handed to the responder (default:
  // kIdOk) and destroyed.
  void SetUnattended(bool on) { unattended_ = on; }
  bool Unattended() const { return unattended_; }
  using ModalResponder = std::function<int(WindowHandle)>;
  void SetModalResponder(ModalResponder responder) { modalResponder_ = std::move(responder); }
  UiScript& Script() { return *script_; }

  // Off screen: top-level windows are built and kept up to date but never
  // shown (tests; showing one costs Wine a round trip to the X server).
  void SetOffScreen(bool on) { offScreen_ = on; }

  // Manual timers: no system timer runs; RaiseTimer delivers a tick through
  // the window's message handling. For tests that decide when time passes.
  void SetManualTimers(bool on) { manualTimers_ = on; }
  bool RaiseTimer(WindowHandle window, uint16_t timerId);
  size_t PendingEvents() const { return posted_.Size(); }
  std::optional<int> QuitCode() const { return quitCode_; }
  // Dispatches the thread's messages until no posted event is left, the
  // quit is posted, or `limit` events ran; returns how many ran.
  size_t RunPending(size_t limit = 100000);

 private:
  struct ControlEntry {
    uint16_t id = kUnnamedControl;
    ControlClass cls = ControlClass::Static;
    Rect place;  // dialog units
    HWND hwnd = nullptr;
    std::string text;  // for controls whose window shows no text
    std::optional<std::string> toolTip;
    uint16_t picture = 0;
    HBITMAP bitmap = nullptr;  // the picture shown, owned
    int progressStep = 10;
    std::set<int> ticks;
    ControlColours colours;
  };
  struct WindowEntry {
    uint16_t templateId = 0;
    WindowHandle parent = kNoWindow;
    bool topLevel = false;
    bool modal = false;
    bool visible = false;
    bool shownOnce = false;
    uint32_t style = 0;  // style:: window bits of the template
    std::string caption;
    Rect place;  // dialog units
    HWND hwnd = nullptr;
    HMENU menu = nullptr;
    std::vector<ControlEntry> controls;
    std::vector<uint16_t> menuItems;
    HWND busyLabel = nullptr;  // the busy strip under the client area
    HWND busyBar = nullptr;
    HWND toolTips = nullptr;
    const InitHandler* onInit = nullptr;  // modal: run inside WM_INITDIALOG
  };
  struct OpenModal {
    HWND hwnd = nullptr;               // a modal dialog of ours
    IFileDialog* fileDialog = nullptr;  // a file choice
    int closeWith = IDCANCEL;          // the answer that changes nothing
  };
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(WindowHandle handle, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnCommand(WindowHandle handle, WPARAM wParam, LPARAM lParam);
  INT_PTR OnControlColour(WindowHandle handle, HDC dc, HWND control);
  void OnInitDialog(WindowHandle handle, HWND hwnd);

  WindowEntry* FindWindow(WindowHandle window);
  const WindowEntry* FindWindow(WindowHandle window) const;
  ControlEntry* Find(WindowHandle window, uint16_t id);
  const ControlEntry* Find(WindowHandle window, uint16_t id) const;
  HWND HwndOf(WindowHandle window, uint16_t id, ControlClass cls) const;
  const ControlEntry* FindByHwnd(WindowHandle window, HWND control) const;

  WindowHandle Build(const DialogTemplate& tpl, WindowHandle parent);
  void CollectControls(WindowEntry& entry, const DialogTemplate& tpl);
  void AttachMenu(WindowEntry& entry, uint16_t menuId);
  void AddBusyStrip(WindowEntry& entry);
  void FitFrame(WindowEntry& entry);
  void LayoutBusyStrip(WindowEntry& entry);
  void ShowLater(WindowHandle window);
  void CentreOnScreen(HWND hwnd);
  void ShowPicture(ControlEntry& control, uint16_t bitmapId);
  void FitToText(const ControlEntry& control);
  static void FitDropDown(HWND combo, const std::wstring& item);
  // The closed drop-down list shows `item` whole.
  static bool FieldShowsWhole(HWND combo, const std::wstring& item);
  void FitAllToText(WindowEntry& entry);
  HWND ToolTipsOf(WindowHandle window);
  void ReleaseWindow(WindowEntry& entry);

  void Raise(const UiEvent& event);
  void Queue(const UiEvent& event);
  void ScheduleDrain();
  void DrainOne();
  bool IsDialogKey(MSG& msg);
  void KillTimersOf(WindowHandle window);
  void RequestClose(WindowHandle window);
  void AskCloseDuringOperation();
  void NoteCloseGesture(const MSG& msg);
  void SetMenuBarEnabled(WindowHandle window, bool enabled);
  void CloseModals();
  MessageAnswer AskUser(const MessageBoxRequest& request);
  void OnDeviceChange(WPARAM kind, LPARAM data);
  void StopWatchingDevices();
  // True while what the user does in `handle` must be dropped: an operation
  // runs, or a question or modal dialog other than this window is open.
  bool InputBlocked(WindowHandle handle) const;
  // The window a question or file dialog belongs to: the root of `owner`,
  // else the active window when it is ours, else our first shown window.
  HWND QuestionOwner(WindowHandle owner) const;
  // Disables every shown top-level window of ours but `except` (which the
  // modal loop disables and enables itself); returns those it disabled.
  std::vector<HWND> DisableOtherWindows(HWND except);
  static void EnableWindows(const std::vector<HWND>& windows);

  const TemplateCatalog& catalog_;
  HWND host_ = nullptr;  // message-only window for posted work
  EventHandler handler_;
  UiScript ownScript_;
  UiScript* script_ = &ownScript_;
  bool unattended_ = false;
  bool manualTimers_ = false;
  bool offScreen_ = false;
  ModalResponder modalResponder_;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;

  std::map<WindowHandle, WindowEntry> windows_;
  std::map<HWND, WindowHandle> byHwnd_;
  WindowHandle nextHandle_ = 1;
  WindowHandle building_ = kNoWindow;  // the window inside its WM_INITDIALOG
  std::map<std::pair<WindowHandle, uint16_t>, uint32_t> timers_;
  PostedEvents posted_;
  size_t postedRaised_ = 0;
  bool drainScheduled_ = false;
  bool pumping_ = false;
  int quietEdits_ = 0;  // > 0 while the program sets an edit's text
  std::optional<int> quitCode_;
  size_t paintPumps_ = 0;
  size_t timerTicks_ = 0;
  int operationDepth_ = 0;
  WindowHandle operationWindow_ = kNoWindow;
  CloseDuringOperation close_;
  std::vector<OpenModal> modals_;
  std::map<COLORREF, HBRUSH> brushes_;
  HDEVNOTIFY deviceNotify_ = nullptr;
  DeviceWatch* watch_ = nullptr;
  WindowHandle watchWindow_ = kNoWindow;
};

}  // namespace vt::platform::win32
