#include "shell/startup.h"

#include <cstdio>

#include "flash/image_converter.h"
#include "platform/file_io.h"
#include "platform/utf8_path.h"

namespace vt::shell {

bool IsConverterMode(std::string_view argumentText) {
  return argumentText.find("-c") != std::string_view::npos;
}

bool RunConverterMode(devlink::BoardLink& link, const std::filesystem::path& directory) {
  const bool converted = flash::ConvertImageFile(directory);
  link.CloseDevice();
  return converted;
}

bool DebugMarkerPresent(const std::filesystem::path& directory) {
  // Looked at, never opened: a FIFO of that name would block the start, and
  // a folder of that name is not the marker.
  return platform::IsRegularFile(directory / kDebugMarkerFileName);
}

bool StartDebugLogIfMarked(platform::DebugLog& log, const std::filesystem::path& directory,
                           const std::string& argumentText) {
  return StartDebugLogIfMarked(log, std::vector<std::filesystem::path>{directory}, directory,
                               argumentText);
}

bool StartDebugLogIfMarked(platform::DebugLog& log,
                           const std::vector<std::filesystem::path>& markerFolders,
                           const std::filesystem::path& logFolder, const std::string& argumentText) {
  bool marked = false;
  for (const std::filesystem::path& folder : markerFolders) {
    if (!folder.empty() && DebugMarkerPresent(folder)) marked = true;
  }
  if (!marked) return false;
  const std::string path = platform::PathToUtf8(logFolder / kDebugLogFileName);
  std::string error;
  if (!log.Open(path, &error)) {
    // A folder or device of that name is left alone; logging stays off.
    std::fprintf(stderr, "debug log off: %s\n", error.c_str());
    return false;
  }
  log.SetWriteFailureReporter(
      [](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); });
  log.Printf("CmdLine: %s\n", argumentText.c_str());
  return true;
}

bool LoadBoardLibraries(platform::Ui& ui, devlink::BoardLink& link) {
  if (link.LoadDll()) return true;
  platform::MessageBoxRequest box;
  box.owner = platform::kNoWindow;
  box.text = std::string(kDllErrorText);
  box.caption = std::string(kDllErrorCaption);
  box.buttons = platform::MessageButtons::Ok;
  box.icon = platform::MessageIcon::Error;
  ui.MessageBox(box);
  return false;
}

}  // namespace vt::shell
