// Opening a text file in the user's viewer on Windows: %VISUAL% or %EDITOR%
// when set and found, otherwise the program the system associates with the
// file (ShellExecute "open"). Started without waiting for it.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <sstream>

#include "profiles/profiles_report.h"

namespace vt::profiles {
namespace {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const std::filesystem::path& p) {
  const std::wstring w = p.wstring();
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::filesystem::path FromUtf8(const std::string& text) { return std::filesystem::path(Wide(text)); }

bool IsFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

// A name with a folder part is taken as is; others are looked for in the
// PATH folders (';'-separated), with ".exe" added when no extension is given.
std::optional<std::filesystem::path> FindProgram(const std::string& program, const std::string& pathVar) {
  if (program.empty()) return std::nullopt;
  const std::filesystem::path name = FromUtf8(program);
  if (program.find_first_of("/\\:") != std::string::npos) {
    if (IsFile(name)) return name;
    return std::nullopt;
  }
  size_t start = 0;
  while (start <= pathVar.size()) {
    size_t end = pathVar.find(';', start);
    if (end == std::string::npos) end = pathVar.size();
    const std::string dir = pathVar.substr(start, end - start);
    if (!dir.empty()) {
      std::filesystem::path candidate = FromUtf8(dir) / name;
      if (IsFile(candidate)) return candidate;
      if (!name.has_extension() && IsFile(candidate.replace_extension(".exe"))) return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

std::string EnvOrEmpty(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

std::wstring Quoted(const std::wstring& arg) {
  std::wstring out = L"\"";
  for (wchar_t c : arg) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

}  // namespace

ViewerEnvironment CurrentViewerEnvironment() {
  return {EnvOrEmpty("VISUAL"), EnvOrEmpty("EDITOR"), EnvOrEmpty("PATH")};
}

std::optional<std::vector<std::string>> ResolveTextViewer(const std::filesystem::path& file,
                                                          const ViewerEnvironment& env) {
  for (const std::string& command : {env.visual, env.editor}) {
    std::vector<std::string> argv;
    std::istringstream in(command);
    for (std::string w; in >> w;) argv.push_back(w);
    if (argv.empty()) continue;
    const auto program = FindProgram(argv[0], env.path);
    if (!program) continue;
    argv[0] = Utf8(*program);
    argv.push_back(Utf8(file));
    return argv;
  }
  return std::nullopt;
}

bool OpenTextViewer(const std::filesystem::path& file, const ViewerEnvironment& env) {
  if (const auto argv = ResolveTextViewer(file, env)) {
    std::wstring line;
    for (const std::string& a : *argv) line += (line.empty() ? L"" : L" ") + Quoted(Wide(a));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &si, &pi)) {
      return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  }
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

bool OpenTextViewer(const std::filesystem::path& file) {
  return OpenTextViewer(file, CurrentViewerEnvironment());
}

}  // namespace vt::profiles
