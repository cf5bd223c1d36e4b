#pragma once

#include <cstdio>
#include <functional>
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
  // When the file cannot be created, or the path is a directory, FIFO or
  // device (left untouched), the level stays 0 and false is returned, with
  // the reason in *error when given.
  bool Open(const std::string& path, std::string* error = nullptr);

  // Called once, with a message, at the first record that could not be
  // written (a full disk, say); later failures are not repeated.
  void SetWriteFailureReporter(std::function<void(const std::string&)> report) {
    report_ = std::move(report);
  }
  // The first write failure's message; empty while every record went out.
  const std::string& WriteFailure() const { return failure_; }

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
  void NoteWriteFailure();

  std::FILE* stream_ = nullptr;
  bool owned_ = false;
  std::string name_;
  std::string failure_;
  std::function<void(const std::string&)> report_;
};

}  // namespace vt::platform
