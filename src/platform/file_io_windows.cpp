// Windows side of the file helpers: CreateFileW/FlushFileBuffers/MoveFileExW.
// Paths go to the system as UTF-16 (std::filesystem::path::c_str() is
// wchar_t here), so folders and names in any script work.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <random>

#include "platform/file_io.h"

namespace vt::platform {

namespace {

std::string ErrorText(DWORD error) {
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 error, 0, text, sizeof text, nullptr);
  std::string out(text, n);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) out.pop_back();
  return out.empty() ? "system error " + std::to_string(error) : out;
}

FileFault FaultForError(DWORD error) {
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return FileFault::kMissing;
  if (error == ERROR_DIRECTORY) return FileFault::kDirectory;
  return FileFault::kIo;
}

FileKind KindOfHandle(HANDLE file) {
  switch (GetFileType(file)) {
    case FILE_TYPE_DISK: {
      BY_HANDLE_FILE_INFORMATION info{};
      if (GetFileInformationByHandle(file, &info) &&
          (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return FileKind::kDirectory;
      }
      return FileKind::kRegular;
    }
    case FILE_TYPE_PIPE: return FileKind::kFifo;
    case FILE_TYPE_CHAR: return FileKind::kDevice;
    default: return FileKind::kOther;
  }
}

std::wstring TempNameFor(const std::filesystem::path& target) {
  // No thread_local generator: MinGW's emulated TLS crashed it. A process
  // seed mixed with the counter is unique enough; CREATE_NEW retries a clash.
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  const unsigned n = counter++;
  return L"." + target.filename().wstring() + L".tmp-" + std::to_wstring(GetCurrentProcessId()) +
         L"-" + std::to_wstring(n) + L"-" + std::to_wstring((seed ^ (n * 2654435761u)) & 0xFFFFFu);
}

// Device names (CON, NUL, COM1, \\.\...) are not files in any folder.
bool IsDeviceName(const std::filesystem::path& path) {
  const std::wstring text = path.wstring();
  if (text.rfind(L"\\\\.\\", 0) == 0) return true;
  std::wstring stem = path.stem().wstring();
  std::transform(stem.begin(), stem.end(), stem.begin(), ::towupper);
  for (const wchar_t* name : {L"CON", L"NUL", L"PRN", L"AUX", L"CONIN$", L"CONOUT$"}) {
    if (stem == name) return true;
  }
  return stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

}  // namespace

FileKind KindOfPath(const std::filesystem::path& path) {
  if (IsDeviceName(path)) return FileKind::kDevice;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kMissing;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::kDirectory;
  return FileKind::kRegular;
}

FileReadResult ReadRegularFile(const std::filesystem::path& path, size_t limit, SizeRule rule) {
  FileReadResult result;
  if (const FileKind before = KindOfPath(path);
      before != FileKind::kRegular && before != FileKind::kMissing) {
    result.fault = OutputFaultFor(before);
    result.message = FileFaultMessage(path, result.fault);
    return result;
  }
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    result.fault = FaultForError(error);
    result.message = FileFaultMessage(path, result.fault,
                                      result.fault == FileFault::kIo ? ErrorText(error) : "");
    return result;
  }
  const FileKind kind = KindOfHandle(file);
  LARGE_INTEGER size{};
  if (kind != FileKind::kRegular || !GetFileSizeEx(file, &size)) {
    CloseHandle(file);
    result.fault = kind != FileKind::kRegular ? OutputFaultFor(kind) : FileFault::kIo;
    result.message = FileFaultMessage(path, result.fault);
    return result;
  }
  const auto bytes = static_cast<uint64_t>(size.QuadPart);
  if (rule == SizeRule::kRefuseLarger && bytes > limit) {
    CloseHandle(file);
    result.fault = FileFault::kTooLarge;
    result.message = FileFaultMessage(
        path, result.fault, std::to_string(bytes) + " bytes; at most " + std::to_string(limit) + " expected");
    return result;
  }
  // One byte past the limit notices a file that grew meanwhile.
  const size_t want = rule == SizeRule::kRefuseLarger && limit < SIZE_MAX ? limit + 1 : limit;
  result.bytes.resize(static_cast<size_t>(std::min<uint64_t>(bytes, want)));
  size_t got = 0;
  while (true) {
    if (got == result.bytes.size()) {
      if (result.bytes.size() >= want) break;
      result.bytes.resize(std::min(want, result.bytes.size() + 4096));
    }
    DWORD n = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(result.bytes.size() - got, 1u << 30));
    if (!ReadFile(file, result.bytes.data() + got, ask, &n, nullptr)) {
      const DWORD error = GetLastError();
      CloseHandle(file);
      result.bytes.clear();
      result.fault = FileFault::kIo;
      result.message = FileFaultMessage(path, result.fault, ErrorText(error));
      return result;
    }
    if (n == 0) break;
    got += n;
  }
  CloseHandle(file);
  result.bytes.resize(got);
  if (rule == SizeRule::kRefuseLarger && got > limit) {
    result.bytes.clear();
    result.fault = FileFault::kTooLarge;
    result.message = FileFaultMessage(path, result.fault, "more than " + std::to_string(limit) + " bytes");
    return result;
  }
  result.fault = FileFault::kNone;
  return result;
}

FileWriteResult WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  FileWriteResult result;
  const FileKind kind = KindOfPath(path);
  if (const FileFault refused = OutputFaultFor(kind); refused != FileFault::kNone) {
    result.fault = refused;
    result.message = FileFaultMessage(path, refused, "not replaced");
    return result;
  }
  const std::filesystem::path folder = path.parent_path();
  std::filesystem::path temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = folder / TempNameFor(path);
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
    error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (file == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    result.fault = FileFault::kIo;
    result.message = FileFaultMessage(path, FileFault::kIo,
                                      "cannot create a file in its folder: " + ErrorText(error));
    return result;
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
  if (!ok) error = GetLastError();
  CloseHandle(file);
  // The temporary file's attributes must not stick to the result.
  if (ok) SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (ok && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
    ok = false;
  }
  if (!ok) {
    DeleteFileW(temp.c_str());
    result.fault = FileFault::kIo;
    result.message = FileFaultMessage(path, FileFault::kIo, ErrorText(error));
    return result;
  }
  result.fault = FileFault::kNone;
  return result;
}

LogOpenResult OpenLogStream(const std::filesystem::path& path, LogTarget target) {
  LogOpenResult result;
  const FileKind before = KindOfPath(path);
  const bool accepted = before == FileKind::kRegular || before == FileKind::kMissing ||
                        (target == LogTarget::kFileOrStream && before == FileKind::kDevice);
  if (!accepted) {
    result.message = FileFaultMessage(path, OutputFaultFor(before), "not used as a log");
    return result;
  }
  result.stream = _wfopen(path.c_str(), L"wb");
  if (result.stream == nullptr) {
    const DWORD error = GetLastError();
    result.message = FileFaultMessage(path, FaultForError(error), ErrorText(error));
  }
  return result;
}

}  // namespace vt::platform
