#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "platform/user_files.h"

namespace vt::platform {

std::filesystem::path UserFileFolder(UserFileKind kind) {
  // A relative XDG folder is ignored, as the XDG base directory rules say:
  // it would move with the working folder.
  const bool state = kind == UserFileKind::kState;
  const char* xdg = std::getenv(state ? "XDG_STATE_HOME" : "XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::filesystem::path(xdg) / "velotrack";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return {};
  return std::filesystem::path(home) / ".local" / (state ? "state" : "share") / "velotrack";
}

std::filesystem::path ProgramFile() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self;
}

}  // namespace vt::platform
