#pragma once

// The toolkit-free steps of the panel's start-up, in the order the desktop
// front end runs them:
//
//   if (IsConverterMode(args)) { RunConverterMode(link, dir); return 0; }
//   StartDebugLogIfMarked(log, dir, args);
//   UpdateBuildRecord(dir, commandLine, kBuildNumber);   // formats/build_record.h
//   if (!LoadBoardLibraries(ui, link)) return 1;         // message shown
//   MainWindow panel(...); panel.Create(); ... loop ...
//
// Nothing here shows anything except LoadBoardLibraries' failure message.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/board_link.h"
#include "platform/debug_log.h"
#include "platform/ui/ui.h"

namespace vt::shell {

inline constexpr const char* kDebugMarkerFileName = "debug.cmd";
inline constexpr const char* kDebugLogFileName = "debug.log";
inline constexpr std::string_view kDllErrorText =
    "Unable to open system DLL's:\nsetupapi.dll or hid.dll";
inline constexpr std::string_view kDllErrorCaption = "DLL Fatal Error";

// The converter switch: "-c" anywhere in the argument text (so "-config"
// selects it too).
bool IsConverterMode(std::string_view argumentText);

// Converter mode: "usbfw.elf" in `directory` becomes "usbfw.vt", then the
// board handle is closed. No window, no message.
bool RunConverterMode(devlink::BoardLink& link, const std::filesystem::path& directory);

// The debug marker "debug.cmd" in `directory` can be opened for reading.
// Its contents are never read.
bool DebugMarkerPresent(const std::filesystem::path& directory);

// With the marker present: replaces "debug.log" in `directory` with a new
// log and writes "CmdLine: <argumentText>\n" first. When the log cannot be
// created the log stays off. Returns whether the log is on.
bool StartDebugLogIfMarked(platform::DebugLog& log, const std::filesystem::path& directory,
                           const std::string& argumentText);
// The same with the marker looked for in each of `markerFolders` (empty
// ones are skipped) and the log written into `logFolder`.
bool StartDebugLogIfMarked(platform::DebugLog& log,
                           const std::vector<std::filesystem::path>& markerFolders,
                           const std::filesystem::path& logFolder, const std::string& argumentText);

// Brings up the HID backend. On failure shows the fatal owner-less message
// ("DLL Fatal Error") and returns false; the caller then ends the process
// without creating a window.
bool LoadBoardLibraries(platform::Ui& ui, devlink::BoardLink& link);

}  // namespace vt::shell
