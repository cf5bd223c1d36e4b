#include "shell/startup.h"

#include <cstdio>

#include "flash/image_converter.h"

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
  std::FILE* marker = std::fopen((directory / kDebugMarkerFileName).string().c_str(), "rb");
  if (marker == nullptr) return false;
  std::fclose(marker);
  return true;
}

bool StartDebugLogIfMarked(platform::DebugLog& log, const std::filesystem::path& directory,
                           const std::string& argumentText) {
  if (!DebugMarkerPresent(directory)) return false;
  if (!log.Open((directory / kDebugLogFileName).string())) return false;
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
