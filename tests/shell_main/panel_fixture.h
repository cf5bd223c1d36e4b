#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "devlink/board_link.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "resources/templates.h"
#include "shell/main_window.h"
#include "tests/shell_main/test_ui.h"
#include "sim/board/board_config.h"
#include "sim/hid/virtual_hid_backend.h"

namespace vt::shell::testing {

// A scratch folder removed again at the end of the test.
struct TempDir {
  TempDir() {
    static int counter = 0;
    path = std::filesystem::temp_directory_path() /
           ("vt-shell-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
};

// The main window over the headless UI and one virtual board, on virtual
// time. With `debugLog` the log goes to a scratch stream, so the Debug page
// exists.
struct PanelFixture {
  explicit PanelFixture(bool debugLog, sim::BoardConfig config = sim::BoardConfig::Standard('M'))
      : hid(clock) {
    if (debugLog) {
      logStream = std::tmpfile();
      log.Attach(logStream);
    }
    hid.AddBoard(std::move(config));
    link.LoadDll();
    ui.SetEventHandler([this](const platform::UiEvent& e) { panel.HandleEvent(e); });
    panel.SetBackupRoot(backups.path);
    panel.SetReportFolder(backups.path);
  }
  ~PanelFixture() {
    log.Close();
    if (logStream != nullptr) std::fclose(logStream);
  }

  // Creates the window. The standard board runs older firmware than the
  // panel's, so start-up posts the upgrade offer; unless `answerOffer` it
  // is declined here and the questions so far are forgotten.
  platform::WindowHandle Start(bool answerOffer = false) {
    main = panel.Create();
    offered = ui.PendingEvents() > 0;
    if (!answerOffer && offered) {
      ui.Script().QueueAnswer(platform::MessageAnswer::No);
      ui.RunPending();
      ui.Script().ClearRecord();
    }
    return main;
  }
  sim::VirtualBoard& Board() { return *hid.Board(size_t{0}); }
  platform::WindowHandle Page(int slot) const { return panel.Pages()[static_cast<size_t>(slot)]; }
  std::string Status() const { return ui.GetText(main, 9101); }
  std::string LogText() {
    if (logStream == nullptr) return {};
    std::fflush(logStream);
    std::rewind(logStream);
    std::string text;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, logStream)) > 0) text.append(buf, n);
    return text;
  }

  TempDir backups;
  platform::VirtualClock clock{1000};
  platform::DebugLog log;
  std::FILE* logStream = nullptr;
  sim::VirtualHidBackend hid;
  devlink::BoardLink link{hid, clock, log};
  TestUi ui{resources::BuiltInTemplates()};
  MainWindow panel{ui, link, clock, log};
  platform::WindowHandle main = platform::kNoWindow;
  bool offered = false;
};

}  // namespace vt::shell::testing
