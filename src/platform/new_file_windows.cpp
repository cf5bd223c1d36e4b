#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/new_file.h"

namespace vt::platform {

std::filesystem::path WriteTempBeside(const std::filesystem::path& path,
                                      std::span<const uint8_t> bytes, std::string* error) {
  // A name nobody else holds: the process id, the tick count and the
  // attempt, created with CREATE_NEW so that a clash is tried again under
  // the next number. The path goes to the system as UTF-16.
  const ULONGLONG tick = GetTickCount64();
  HANDLE file = INVALID_HANDLE_VALUE;
  std::filesystem::path temp;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = path.parent_path() / (L"." + path.filename().wstring() + L".tmp-" +
                                 std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(tick) + L"-" + std::to_wstring(attempt));
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    *error = "system error " + std::to_string(GetLastError());
    return {};
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
    DeleteFileW(temp.c_str());
    return {};
  }
  return temp;
}

NewFileResult PublishNewFile(const std::filesystem::path& temp, const std::filesystem::path& path,
                             std::string* error) {
  // Without MOVEFILE_REPLACE_EXISTING an existing file is never replaced;
  // MOVEFILE_WRITE_THROUGH returns only once the new name is on disk.
  if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) return NewFileResult::kWritten;
  const DWORD code = GetLastError();
  DeleteFileW(temp.c_str());
  if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return NewFileResult::kExists;
  *error = "system error " + std::to_string(code);
  return NewFileResult::kFailed;
}

NewFileResult WriteNewFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                           std::string* error) {
  const std::filesystem::path temp = WriteTempBeside(path, bytes, error);
  if (temp.empty()) return NewFileResult::kFailed;
  return PublishNewFile(temp, path, error);
}

std::filesystem::path UserBackupRoot() {
  // Read as UTF-16: the user name in the folder may be in any script.
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return {};
  return std::filesystem::path(local) / L"Velotrack" / L"backups";
}

const char* UserBackupRootText() { return "%LOCALAPPDATA%\\Velotrack\\backups"; }

void SyncFolder(const std::filesystem::path&) {}

bool UtcTime(std::time_t when, std::tm* out) { return gmtime_s(out, &when) == 0; }

}  // namespace vt::platform
