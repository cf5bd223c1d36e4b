#include <windows.h>

#include <algorithm>

#include "platform/file_patch.h"
#include "platform/utf8_path.h"

namespace vt::platform {

std::string OverwriteFileAt(const std::filesystem::path& path, uint64_t offset, std::span<const uint8_t> bytes) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    return PathToUtf8(path) + ": cannot be opened (error " + std::to_string(GetLastError()) + ")";
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    OVERLAPPED at{};
    const uint64_t where = offset + done;
    at.Offset = static_cast<DWORD>(where & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(where >> 32);
    const auto chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD wrote = 0;
    ok = WriteFile(h, bytes.data() + done, chunk, &wrote, &at) != 0 && wrote > 0;
    done += wrote;
  }
  if (ok) ok = FlushFileBuffers(h) != 0;
  const DWORD error = ok ? 0 : GetLastError();
  CloseHandle(h);
  return ok ? std::string() : PathToUtf8(path) + ": not written (error " + std::to_string(error) + ")";
}

}  // namespace vt::platform
