#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/user_files.h"

namespace vt::platform {

std::filesystem::path UserFileFolder(UserFileKind) {
  // Read as UTF-16: the user name in the folder may be in any script.
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return {};
  return std::filesystem::path(local) / L"Velotrack";
}

std::filesystem::path ProgramFile() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return {};
    if (got < path.size()) {
      path.resize(got);
      return std::filesystem::path(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace vt::platform
