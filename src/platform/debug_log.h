#pragma once

#include <cstdio>
#include <string>

namespace vt::platform {

// The debug log: records are written only while the level is not 0. A record
// is exactly the caller's formatted text, no prefix, no time, no added line
// end. Line ends are written as CR LF so the file reads the same everywhere.
class DebugLog {
 public:
  DebugLog() = default;
  ~DebugLog();
  DebugLog(const DebugLog&) = delete;
  DebugLog& operator=(const DebugLog&) = delete;

  // Replaces `path` with a new empty log and switches the level to 1.
  // When the file cannot be created the level stays 0 and false is returned.
  bool Open(const std::string& path);

  // Sends records to an already open stream (tests, the command line's
  // --trace). The stream is not closed by this object.
  void Attach(std::FILE* stream);

  // Flushes and closes the log; the level goes back to 0.
  void Close();

  unsigned Level() const { return level_; }
  bool On() const { return level_ != 0; }

  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  unsigned level_ = 0;
  std::FILE* stream_ = nullptr;
  bool owned_ = false;
};

}  // namespace vt::platform
