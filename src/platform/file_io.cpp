#include "platform/file_io.h"
#include "platform/utf8_path.h"

namespace vt::platform {

FileFault OutputFaultFor(FileKind kind) {
  switch (kind) {
    case FileKind::kMissing:
    case FileKind::kRegular:
      return FileFault::kNone;
    case FileKind::kDirectory:
      return FileFault::kDirectory;
    case FileKind::kFifo:
      return FileFault::kFifo;
    case FileKind::kDevice:
      return FileFault::kDevice;
    case FileKind::kOther:
      return FileFault::kOtherKind;
  }
  return FileFault::kOtherKind;
}

std::string FileFaultMessage(const std::filesystem::path& path, FileFault fault,
                             std::string_view detail) {
  std::string text = PathToUtf8(path) + ": ";
  switch (fault) {
    case FileFault::kNone:
      text += "ok";
      break;
    case FileFault::kMissing:
      text += "no such file";
      break;
    case FileFault::kDirectory:
      text += "is a directory, not a file";
      break;
    case FileFault::kFifo:
      text += "is a named pipe (FIFO), not a file";
      break;
    case FileFault::kDevice:
      text += "is a device, not a file";
      break;
    case FileFault::kOtherKind:
      text += "is not a regular file";
      break;
    case FileFault::kTooLarge:
      text += "is too large";
      break;
    case FileFault::kIo:
      text += "cannot be accessed";
      break;
  }
  if (!detail.empty()) {
    // An I/O failure is described by the system's own reason alone.
    if (fault == FileFault::kIo) {
      text.resize(PathToUtf8(path).size() + 2);
      text += detail;
    } else {
      text += " (";
      text += detail;
      text += ")";
    }
  }
  return text;
}

bool IsRegularFile(const std::filesystem::path& path) {
  return KindOfPath(path) == FileKind::kRegular;
}

FileWriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view text) {
  return WriteFileAtomically(
      path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace vt::platform
