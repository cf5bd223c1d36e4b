#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vt::platform {

// What lies at a path, as far as reading or replacing it is concerned.
enum class FileKind { kMissing, kRegular, kDirectory, kFifo, kDevice, kOther };

// Why a file operation failed. kNone means it did not.
enum class FileFault {
  kNone,
  kMissing,     // nothing at the path
  kDirectory,   // a directory where a file was expected
  kFifo,        // a named pipe: reading could block forever
  kDevice,      // a character or block device
  kOtherKind,   // a socket or anything else that is not a plain file
  kTooLarge,    // larger than the file can sensibly be
  kIo,          // the system call failed; the message says why
};

struct FileReadResult {
  FileFault fault = FileFault::kIo;
  std::vector<uint8_t> bytes;
  std::string message;  // "PATH: reason" when fault is not kNone
  bool ok() const { return fault == FileFault::kNone; }
};

struct FileWriteResult {
  FileFault fault = FileFault::kIo;
  std::string message;  // "PATH: reason" when fault is not kNone
  bool ok() const { return fault == FileFault::kNone; }
};

// How a regular file larger than the limit is treated.
enum class SizeRule {
  kRefuseLarger,  // fault kTooLarge, nothing read
  kFirstBytes,    // the first `limit` bytes are read, the rest ignored
};

// Reads a regular file, at most `limit` bytes. Never blocks on a FIFO and
// never reads from a device: anything but a regular file is refused with a
// message naming what it is.
FileReadResult ReadRegularFile(const std::filesystem::path& path, size_t limit,
                               SizeRule rule = SizeRule::kRefuseLarger);

// Replaces `path` with `bytes` so that the file holds either its old
// contents or the new ones, never a mix and never nothing: a temporary file
// in the same folder is written, flushed to disk and renamed over the
// target, then the folder is flushed. A directory, FIFO or device at the
// path is refused and left alone. A symbolic link is followed, so the file
// it points to is replaced and the link kept.
FileWriteResult WriteFileAtomically(const std::filesystem::path& path,
                                    std::span<const uint8_t> bytes);
FileWriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view text);

// What is at `path` (symbolic links followed). Never opens the path.
FileKind KindOfPath(const std::filesystem::path& path);

// True only for an existing regular file (or a link to one).
bool IsRegularFile(const std::filesystem::path& path);

// A fault for a kind that cannot be replaced by a new file (kNone for a
// regular or missing path) and its message.
FileFault OutputFaultFor(FileKind kind);
std::string FileFaultMessage(const std::filesystem::path& path, FileFault fault,
                             std::string_view detail = {});

// Where log and trace records may go.
enum class LogTarget {
  kRegularFile,       // only a regular file (created or emptied)
  kFileOrStream,      // also a terminal, a device such as /dev/null, or a
                      // pipe that has a reader; never a directory
};

struct LogOpenResult {
  std::FILE* stream = nullptr;  // owned by the caller; null on failure
  std::string message;          // why it could not be opened
};

// Opens a log for writing from its start. A regular file is emptied in
// place; a missing one is created. Never blocks on a FIFO without a reader.
LogOpenResult OpenLogStream(const std::filesystem::path& path, LogTarget target);

}  // namespace vt::platform
