#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "platform/new_file.h"

namespace vt::platform {

NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                           std::string* error) {
  // CREATE_NEW: an existing file is never replaced. The path goes to the
  // system as UTF-16.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return NewFileResult::kExists;
    *error = "system error " + std::to_string(code);
    return NewFileResult::kFailed;
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    DWORD n = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    ok = WriteFile(file, bytes.data() + done, ask, &n, nullptr) && n > 0;
    done += n;
  }
  if (ok) ok = FlushFileBuffers(file);
  const DWORD code = ok ? 0 : GetLastError();
  if (!CloseHandle(file)) ok = false;
  if (!ok) {
    *error = "system error " + std::to_string(code);
    DeleteFileW(path.c_str());
    return NewFileResult::kFailed;
  }
  return NewFileResult::kWritten;
}

std::filesystem::path UserBackupRoot() {
  // Read as UTF-16: the user name in the folder may be in any script.
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return {};
  return std::filesystem::path(local) / L"Velotrack" / L"backups";
}

const char* UserBackupRootText() { return "%LOCALAPPDATA%\\Velotrack\\backups"; }

bool UtcTime(std::time_t when, std::tm* out) { return gmtime_s(out, &when) == 0; }

}  // namespace vt::platform
