#include "platform/debug_log.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "platform/file_io.h"
#include "platform/utf8_path.h"

namespace vt::platform {

DebugLog::~DebugLog() { Close(); }

bool DebugLog::Open(const std::string& path, std::string* error) {
  Close();
  // An old log is emptied in place; anything that is not a file is refused.
  const LogOpenResult opened = OpenLogStream(PathFromUtf8(path), LogTarget::kRegularFile);
  if (opened.stream == nullptr) {
    if (error != nullptr) *error = opened.message;
    return false;
  }
  stream_ = opened.stream;
  owned_ = true;
  name_ = path;
  failure_.clear();
  level_ = 1;
  return true;
}

void DebugLog::NoteWriteFailure() {
  if (!failure_.empty()) return;
  const int error = errno;
  failure_ = (name_.empty() ? std::string("debug log") : name_) +
             ": records could not be written" +
             (error != 0 ? std::string(": ") + std::strerror(error) : std::string());
  if (report_) report_(failure_);
}

void DebugLog::Attach(std::FILE* stream) {
  Close();
  name_.clear();
  failure_.clear();
  stream_ = stream;
  owned_ = false;
  level_ = stream != nullptr ? 1 : 0;
}

void DebugLog::Close() {
  if (stream_ != nullptr) {
    errno = 0;
    const bool failed = std::ferror(stream_) != 0;
    const bool flushed = owned_ ? std::fclose(stream_) == 0 : std::fflush(stream_) == 0;
    if (failed || !flushed) NoteWriteFailure();
  }
  stream_ = nullptr;
  owned_ = false;
  level_ = 0;
}

void DebugLog::Printf(const char* format, ...) {
  if (level_ == 0 || stream_ == nullptr) return;
  char small[512];
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    va_end(copy);
    return;
  }
  const char* text = small;
  std::vector<char> big;
  if (static_cast<size_t>(n) >= sizeof small) {
    big.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, copy);
    text = big.data();
  }
  va_end(copy);
  errno = 0;
  for (int i = 0; i < n; ++i) {
    if (text[i] == '\n') std::fputc('\r', stream_);
    std::fputc(text[i], stream_);
  }
  if (std::ferror(stream_) != 0) NoteWriteFailure();
}

}  // namespace vt::platform
