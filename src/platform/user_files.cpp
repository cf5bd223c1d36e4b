#include "platform/user_files.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>

namespace vt::platform {

namespace fs = std::filesystem;

namespace {

// The same folder for the purpose of "is this the install folder": made
// absolute and normalised by the caller; trailing separators and, on
// Windows, letter case do not count.
bool SameFolder(const fs::path& a, const fs::path& b, bool foldCase) {
  auto key = [foldCase](const fs::path& p) {
    std::u8string text = p.lexically_normal().generic_u8string();
    while (text.size() > 1 && text.back() == u8'/') text.pop_back();
    if (foldCase) {
      for (char8_t& c : text) {
        if (c >= u8'A' && c <= u8'Z') c = static_cast<char8_t>(c - u8'A' + u8'a');
      }
    }
    return text;
  };
  return key(a) == key(b);
}

fs::path Absolute(const fs::path& p) {
  std::error_code ec;
  fs::path full = fs::weakly_canonical(p, ec);
  if (ec) full = fs::absolute(p, ec);
  return ec ? p : full;
}

}  // namespace

fs::path ChooseFileFolder(const FileFolderFacts& facts) {
  const bool installed = std::any_of(
      facts.installFolders.begin(), facts.installFolders.end(),
      [&](const fs::path& folder) { return SameFolder(facts.workDir, folder, facts.foldCase); });
  if (facts.workDirWritable && !installed) return facts.workDir;
  if (!facts.userFolder.empty()) return facts.userFolder;
  return installed ? fs::path() : facts.workDir;
}

std::vector<fs::path> InstallFoldersOf(const fs::path& programFile) {
  std::vector<fs::path> folders;
  if (programFile.empty()) return folders;
  const fs::path folder = programFile.parent_path();
  folders.push_back(folder);
  std::u8string name = folder.filename().u8string();
  for (char8_t& c : name) {
    if (c >= u8'A' && c <= u8'Z') c = static_cast<char8_t>(c - u8'A' + u8'a');
  }
  if (name == u8"bin" && folder.has_parent_path()) folders.push_back(folder.parent_path());
  return folders;
}

bool FolderWritable(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path probe = folder / (".velotrack-write-test-" + std::to_string(attempt));
    if (fs::exists(probe, ec)) continue;
    bool made = false;
    {
      std::ofstream out(probe, std::ios::binary);
      made = out.is_open();
    }
    if (made) fs::remove(probe, ec);
    return made;
  }
  return false;
}

fs::path PanelFileFolder(const fs::path& workDir, UserFileKind kind) {
  FileFolderFacts facts;
  facts.workDir = Absolute(workDir);
  for (const fs::path& folder : InstallFoldersOf(Absolute(ProgramFile()))) {
    facts.installFolders.push_back(folder);
  }
  facts.userFolder = UserFileFolder(kind);
#ifdef _WIN32
  facts.foldCase = true;
#endif
  // An install folder is never even tried.
  const bool installed = std::any_of(
      facts.installFolders.begin(), facts.installFolders.end(),
      [&](const fs::path& folder) { return SameFolder(facts.workDir, folder, facts.foldCase); });
  facts.workDirWritable = !installed && FolderWritable(facts.workDir);
  fs::path chosen = ChooseFileFolder(facts);
  if (chosen == facts.workDir) return workDir;
  std::error_code ec;
  if (!chosen.empty()) fs::create_directories(chosen, ec);
  return chosen;
}

}  // namespace vt::platform
