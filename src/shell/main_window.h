#pragma once

// The main window's logic: start-up order, the one command handler that
// serves the main window and every page, the status field, the tab
// selection, the two timers, closing, the About box and the firmware
// commands. Toolkit-free: it drives windows only through the UI facade.
//
// Use from a front end (Qt panel, tests):
//
//   vt::shell::MainWindow panel(ui, link, clock, log);
//   ui.SetEventHandler([&](const vt::platform::UiEvent& e) { panel.HandleEvent(e); });
//   if (panel.Create() == vt::platform::kNoWindow) { /* template missing */ }
//   return ui.RunMessageLoop();
//
// Create() builds window 300 and runs OnInitDialog on it (pages, track bars,
// lists, tooltips, the first profile read from the board, timers 503/504).
// HandleEvent routes every facade event to the On* handlers below; a front
// end that prefers to route itself may call them directly. The settings
// editor and the profile transfer exist from OnInitDialog on (they need the
// pages) and are owned here.
//
// Everything runs on the caller's (UI) thread; waits go through `clock`.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "devlink/board_link.h"
#include "flash/stored_image.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/ui/ui.h"
#include "editor/editor_transfer_ui.h"
#include "profiles/profile_transfer.h"
#include "editor/settings_editor.h"
#include "shell/settings_window.h"

namespace vt::shell {

class DiagnosticsPage;
class OperationMeter;
class WindowUpdateUi;

// The build number shown in the caption and kept in build.dat.
inline constexpr int kBuildNumber = 76;

// Timers of the main window.
inline constexpr uint16_t kCaptionTimer = 503;      // one-shot, 1000 ms after creation
inline constexpr uint16_t kMessagePollTimer = 504;  // board messages, while "Get Messages"
inline constexpr uint32_t kCaptionTimerMs = 1000;
inline constexpr uint32_t kMessagePollMs = 1;       // the toolkit may round this up
// While the board sends no text, the poll runs at this slower pace; the next
// text brings it back to kMessagePollMs.
inline constexpr uint32_t kMessagePollQuietMs = 50;

// Status codes: bit 7 the error flag, bits 0-6 the text index; their texts
// are profiles::StatusText.
inline constexpr uint8_t kStatusOk = devlink::kStatusOk;
inline constexpr uint8_t kStatusIoError = devlink::kStatusNoResponse;
inline constexpr uint8_t kStatusFailed = devlink::kStatusFailed;

// The About box's texts, derived from the main window caption.
struct AboutTexts {
  std::string title;  // "About " + name
  std::string body;   // name + "\n\nVersion " + version
};
AboutTexts AboutTextsFromCaption(const std::string& caption);

class MainWindow {
 public:
  // All four must outlive the window object.
  MainWindow(platform::Ui& ui, devlink::BoardLink& link, platform::Clock& clock,
             platform::DebugLog& log);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // ---- Set-up, before Create() ------------------------------------------------
  // Built-in firmware images (version check and command 107).
  void SetFirmwareLookup(flash::ResourceLookup lookup) { firmwareLookup_ = lookup; }
  // Where info-block backups go (empty: the profiles library's default).
  void SetBackupRoot(std::filesystem::path root) { backupRoot_ = std::move(root); }
  // Folder where "profiles.txt" is written (empty: the current directory).
  void SetReportFolder(std::filesystem::path folder) { reportFolder_ = std::move(folder); }
  // Paces board operations so the window stays painted (none: operations
  // only mark the window busy).
  void SetOperationMeter(OperationMeter* meter) { meter_ = meter; }
  // Arrivals and removals of boards, where the board stack can tell them
  // (none: the message poll looks for a board on every tick). With a watch,
  // the poll stops while no board is attached and starts again when the
  // watch reports a change or a board operation runs.
  void SetDeviceWatch(platform::DeviceWatch* watch) { watch_ = watch; }

  // ---- Life ---------------------------------------------------------------------
  // Creates the main window from template 300 without owner and initialises
  // it. kNoWindow when the template is missing (nothing else is done then).
  platform::WindowHandle Create();

  // Routes one facade event: Command -> OnCommand, Scroll -> OnTrackBar,
  // TabChange -> OnTabChanged (with the tab control's selection),
  // Timer -> OnTimer (main window only), Close -> OnClose (main window only).
  void HandleEvent(const platform::UiEvent& event);

  // The initialisation of `window` (made from template 300), in start-up
  // order; Create() runs it.
  void OnInitDialog(platform::WindowHandle window);
  // The command handler for the main window and every page. The
  // notification code is ignored: every notification repeats the action.
  void OnCommand(platform::WindowHandle sender, uint16_t id);
  // Timers 503 and 504; others are ignored.
  void OnTimer(uint16_t timerId);
  // The device watch reported a change: the poll looks for the board now
  // and runs again when it finds one.
  void OnDevicesChanged();
  // The tab control's selection became `index`: that page is shown, all
  // others hidden, and the set index (and its word table) follows.
  void OnTabChanged(int index);
  // A track bar on a page moved. End-of-track and thumb-position
  // notifications change nothing.
  void OnTrackBar(platform::WindowHandle page, uint16_t control,
                  uint16_t code = platform::notify::kTbThumbTrack);
  // Closes the log and the board, posts the quit (code 0) and destroys the
  // window. No question is asked; unsaved edits are lost.
  void OnClose();

  // ---- Status field -------------------------------------------------------------
  // Sets control `controlId` of `window` to the text of `code` and records
  // the error flag (bit 7), which colours the status field. Returns the flag.
  bool ShowStatus(platform::WindowHandle window, uint16_t controlId, uint8_t code);
  // ShowStatus on the main window's status field 9101.
  bool ShowStatus(uint8_t code);
  // Plain text in the status field; its colour stays as it is.
  void SetStatusText(const std::string& text);
  bool ErrorFlag() const { return errorFlag_; }
  // A failed operation's status stays until the user starts another
  // operation or the board changes; the message poll leaves it alone.
  bool HoldsFailure() const { return heldFailure_; }

  // ---- State, for front ends and tests ------------------------------------------
  platform::WindowHandle Window() const { return window_; }
  const PageTable& Pages() const { return pages_; }
  platform::WindowHandle DebugPage() const { return pages_[kDebugSlot]; }
  int CurrentSet() const { return currentSet_; }
  const std::string& SavedCaption() const { return savedCaption_; }
  // Present from OnInitDialog on.
  profiles::SettingsEditor* Editor() { return editor_.get(); }
  profiles::ProfileTransfer* Transfer() { return transfer_.get(); }
  DiagnosticsPage* Diagnostics() { return diagnostics_.get(); }
  devlink::BoardLink& Link() { return link_; }
  // The device watch is in use (set, and the UI waits on it).
  bool WatchesDevices() const { return watchesDevices_; }
  // The poll is stopped because no board is attached (only with the watch).
  bool PollParked() const { return pollParked_; }
  platform::Ui& GetUi() { return ui_; }

 private:
  void ApplyStatusColour();
  void RestartMessagePoll();
  // One tick of the message poll: both windows fetch, then the pace follows
  // what came back.
  void PollTick();
  void PacePoll();
  void ShowAboutBox(platform::WindowHandle owner);
  void FirmwareCommand(platform::WindowHandle sender, uint16_t id);
  profiles::WordTable& CurrentTable();
  bool DispatchShellCommand(platform::WindowHandle sender, uint16_t id);
  void PollBoardMessages(platform::WindowHandle sender);
  // Reads the board's firmware version and serial number into their fields
  // again (after an update, or when another board appears).
  void ShowBoardIdentity();
  // A failed exchange whose cause the board stack can name (a board server
  // that cannot be reached, times out, ...) says so in the board message
  // field instead of passing for a missing board; cleared once it works.
  void ShowLinkFault(bool failed);

  platform::Ui& ui_;
  devlink::BoardLink& link_;
  platform::Clock& clock_;
  platform::DebugLog& log_;
  flash::ResourceLookup firmwareLookup_ = &flash::BuiltInResource;
  std::filesystem::path backupRoot_;
  std::filesystem::path reportFolder_;

  platform::WindowHandle window_ = platform::kNoWindow;
  PageTable pages_{};
  int currentSet_ = 0;
  std::string savedCaption_;
  bool errorFlag_ = false;
  bool heldFailure_ = false;
  OperationMeter* meter_ = nullptr;
  std::string boardSerial_;
  bool linkFaultShown_ = false;
  platform::DeviceWatch* watch_ = nullptr;
  bool watchesDevices_ = false;
  bool pollParked_ = false;
  bool pollSawText_ = false;     // in the current tick
  bool pollFoundNoBoard_ = false;  // in the current tick

  std::unique_ptr<profiles::SettingsEditor> editor_;
  std::unique_ptr<profiles::EditorTransferUi> transferUi_;  // the transfer's view of this window
  std::unique_ptr<profiles::ProfileTransfer> transfer_;
  std::unique_ptr<DiagnosticsPage> diagnostics_;
  std::unique_ptr<WindowUpdateUi> updateUi_;
};

}  // namespace vt::shell
