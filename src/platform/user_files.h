#pragma once

// Where the panels put the files they write on their own (the profiles
// report, the debug log, the build record, infrared conversions of a bare
// file name): the working folder, as always, unless it cannot take them or
// is where the program is installed. Then they go to a folder of the user's:
//
//   Windows  %LOCALAPPDATA%\Velotrack
//   Linux    $XDG_STATE_HOME/velotrack (~/.local/state/velotrack) for the
//            log and the build record, $XDG_DATA_HOME/velotrack
//            (~/.local/share/velotrack) for the report and conversions.
//
// Nothing is ever written into the folder of the program itself or the
// prefix it is installed under.

#include <filesystem>
#include <vector>

namespace vt::platform {

enum class UserFileKind {
  kState,  // debug.log, build.dat; the debug marker debug.cmd is read here too
  kData,   // profiles.txt, infrared pulse lists
};

// What the choice is made from; gathered by PanelFileFolder, given by tests.
struct FileFolderFacts {
  std::filesystem::path workDir;
  bool workDirWritable = false;
  // The program's folder and, for a program in a "bin" folder, the prefix
  // above it.
  std::vector<std::filesystem::path> installFolders;
  std::filesystem::path userFolder;  // empty: the environment names none
  bool foldCase = false;             // Windows: names differ only in case
};

// The working folder when it is writable and no install folder; otherwise
// the user's folder; the working folder only when no user folder is known
// and it is no install folder (an empty path when nothing fits).
std::filesystem::path ChooseFileFolder(const FileFolderFacts& facts);

// The install folders of a program at `programFile`.
std::vector<std::filesystem::path> InstallFoldersOf(const std::filesystem::path& programFile);

// The user's folder of that kind (see above); empty when unknown.
std::filesystem::path UserFileFolder(UserFileKind kind);
// The running program's file; empty when unknown.
std::filesystem::path ProgramFile();
// A file can be created in `folder` (tried with a scratch file, removed
// again): permissions, read-only media and ACLs all have their say.
bool FolderWritable(const std::filesystem::path& folder);

// The folder for files of `kind`, decided from the system's facts; a chosen
// user folder is created.
std::filesystem::path PanelFileFolder(const std::filesystem::path& workDir, UserFileKind kind);

}  // namespace vt::platform
