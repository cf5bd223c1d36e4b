// Windows side of the program's text: UTF-8 to UTF-16 and back, arguments
// from the wide command line, and UTF-8 output turned into UTF-16 for a
// console.
#include <windows.h>
#include <shellapi.h>

#include <iostream>
#include <limits>
#include <streambuf>

#include "platform/program_text.h"

namespace vt::platform {

namespace {

// How many bytes at the end of `text` start a UTF-8 sequence that is not
// complete yet (0 to 3).
size_t IncompleteTail(const std::string& text) {
  const size_t n = text.size();
  for (size_t back = 1; back <= 3 && back <= n; ++back) {
    const auto c = static_cast<unsigned char>(text[n - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

// A stream buffer that writes UTF-8 to a console as UTF-16. A sequence cut
// between two writes waits for its end.
class ConsoleBuffer final : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}
  ~ConsoleBuffer() override { Flush(true); }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_.push_back(traits_type::to_char_type(c));
    if (pending_.size() >= 4096 || pending_.back() == '\n') Flush(false);
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    pending_.append(text, static_cast<size_t>(n));
    Flush(false);
    return n;
  }
  int sync() override {
    Flush(false);
    return 0;
  }

 private:
  void Flush(bool all) {
    const size_t keep = all ? 0 : IncompleteTail(pending_);
    const size_t take = pending_.size() - keep;
    if (take == 0) return;
    const int n = static_cast<int>(take);
    const int units = MultiByteToWideChar(CP_UTF8, 0, pending_.data(), n, nullptr, 0);
    if (units > 0) {
      std::wstring wide(static_cast<size_t>(units), L'\0');
      MultiByteToWideChar(CP_UTF8, 0, pending_.data(), n, wide.data(), units);
      DWORD written = 0;
      WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }
    pending_.erase(0, take);
  }

  HANDLE console_;
  std::string pending_;
};

// The console behind a standard handle; nullptr when it is a pipe or file.
HANDLE ConsoleOf(DWORD which) {
  const HANDLE h = GetStdHandle(which);
  DWORD mode = 0;
  if (h == nullptr || h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode)) return nullptr;
  return h;
}

}  // namespace

std::wstring Widen(std::string_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), needed);
  return wide;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty() || text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), needed, nullptr, nullptr);
  return narrow;
}

std::vector<std::string> ProgramArguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

class ConsoleText::Impl {
 public:
  Impl() {
    Redirect(std::cout, STD_OUTPUT_HANDLE, out_, oldOut_);
    Redirect(std::cerr, STD_ERROR_HANDLE, err_, oldErr_);
  }
  ~Impl() {
    if (oldOut_ != nullptr) std::cout.rdbuf(oldOut_);
    if (oldErr_ != nullptr) std::cerr.rdbuf(oldErr_);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

 private:
  static void Redirect(std::ostream& stream, DWORD which, std::unique_ptr<ConsoleBuffer>& buffer,
                       std::streambuf*& old) {
    const HANDLE console = ConsoleOf(which);
    if (console == nullptr) return;
    stream.flush();
    buffer = std::make_unique<ConsoleBuffer>(console);
    old = stream.rdbuf(buffer.get());
  }

  std::unique_ptr<ConsoleBuffer> out_, err_;
  std::streambuf* oldOut_ = nullptr;
  std::streambuf* oldErr_ = nullptr;
};

ConsoleText::ConsoleText() : impl_(std::make_unique<Impl>()) {}

ConsoleText::~ConsoleText() {
  std::cout.flush();
  std::cerr.flush();
}

}  // namespace vt::platform
