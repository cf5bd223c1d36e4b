#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vt::platform {

// The program's arguments after its name, as UTF-8. On Windows they come
// from the wide command line: argv is in the ANSI code page there and
// loses every letter outside it. Elsewhere they are argv as given.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// While it lives, UTF-8 written to std::cout and std::cerr shows right in a
// Windows console: when the stream is a console its text goes out through
// WriteConsoleW; a pipe or a file gets the bytes unchanged. Elsewhere it
// does nothing. One per program, made first thing in main.
#ifdef _WIN32
// UTF-8 (the program's text) to UTF-16 (the Windows API's) and back.
// Invalid sequences become U+FFFD rather than cutting the text short.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);
#endif

class ConsoleText {
 public:
  ConsoleText();
  ~ConsoleText();
  ConsoleText(const ConsoleText&) = delete;
  ConsoleText& operator=(const ConsoleText&) = delete;

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vt::platform
