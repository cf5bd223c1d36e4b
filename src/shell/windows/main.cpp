// velotrack-panel.exe: the configuration panel as a native Windows program.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "flash/image_converter.h"
#include "platform/guarded_main.h"
#include "platform/program_text.h"
#include "platform/user_files.h"
#include "platform/utf8_path.h"
#include "platform/ui_windows/wide_text.h"
#include "shell/startup.h"
#include "shell/windows/panel_session.h"

namespace {

namespace pw = vt::shell::win32;
using vt::platform::win32::Narrow;
using vt::platform::win32::Widen;

// A program without a console: what it has to say goes to standard error
// when someone redirected it, and into a message box as well.
void Tell(const std::string& text, bool error) {
  std::fputs(text.c_str(), stderr);
  MessageBoxW(nullptr, Widen(text).c_str(), L"velotrack-panel",
              MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

// Per-monitor awareness also when the manifest is not read (an older
// loader, a renamed copy); refused harmlessly when it already applies.
void BecomeDpiAware() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  const HMODULE user = GetModuleHandleW(L"user32.dll");
  const auto set = user ? reinterpret_cast<SetContext>(reinterpret_cast<void*>(
                              GetProcAddress(user, "SetProcessDpiAwarenessContext")))
                        : nullptr;
  if (set != nullptr) set(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)));  // per-monitor v2
}

int RunPanel() {
  const std::vector<std::string> args = vt::platform::ProgramArguments(0, nullptr);
  const vt::shell::PanelOptions options = vt::shell::ParsePanelArguments(args);
  if (!options.error.empty()) {
    Tell("velotrack-panel: " + options.error + "\n" + vt::shell::PanelUsage(), true);
    return 2;
  }
  if (options.help) {
    Tell(vt::shell::PanelUsage(), false);
    return 0;
  }
  // The image converter runs without any window or log.
  if (vt::shell::IsConverterMode(options.argumentText)) {
    std::string error;
    if (vt::flash::ConvertImageFile(".", &error)) return 0;
    std::fprintf(stderr, "velotrack-panel: %s\n", error.c_str());
    return 1;
  }
  BecomeDpiAware();

  vt::shell::PanelStartup startup;
  startup.options = options;
  startup.commandLine = "\"" + vt::platform::PathToUtf8(vt::platform::ProgramFile()) + "\"";
  if (!options.commandText.empty()) startup.commandLine += " " + options.commandText;
  pw::PanelSession session(std::move(startup));
  if (!session.Start()) return session.ExitCode();
  return session.Run();
}

// An error that ended the panel: shown, with where the debug log is, since
// nobody reads the standard error of a program started from the Start menu.
void ShowCrash(const std::string& message) {
  const std::filesystem::path folder =
      vt::platform::PanelFileFolder(std::filesystem::current_path(), vt::platform::UserFileKind::kState);
  const std::string text = "The panel stopped: " + message +
                           "\n\nIf the debug log is on, it is " +
                           Narrow((folder / vt::shell::kDebugLogFileName).wstring()) + ".";
  MessageBoxW(nullptr, Widen(text).c_str(), L"velotrack-panel", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

}  // namespace

int main() {
  return vt::platform::RunGuardedMain("velotrack-panel", [] { return RunPanel(); }, ShowCrash);
}
