#include "platform/debug_log.h"

#include <cstdarg>
#include <vector>

namespace vt::platform {

DebugLog::~DebugLog() { Close(); }

bool DebugLog::Open(const std::string& path) {
  Close();
  std::remove(path.c_str());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  stream_ = f;
  owned_ = true;
  level_ = 1;
  return true;
}

void DebugLog::Attach(std::FILE* stream) {
  Close();
  stream_ = stream;
  owned_ = false;
  level_ = stream != nullptr ? 1 : 0;
}

void DebugLog::Close() {
  if (stream_ != nullptr) {
    if (owned_) {
      std::fclose(stream_);
    } else {
      std::fflush(stream_);
    }
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
  for (int i = 0; i < n; ++i) {
    if (text[i] == '\n') std::fputc('\r', stream_);
    std::fputc(text[i], stream_);
  }
}

}  // namespace vt::platform
