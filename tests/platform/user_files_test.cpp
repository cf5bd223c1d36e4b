// Where the panels write their own files: the working folder unless it is
// read-only or the install folder, and never the install folder.
#include "platform/user_files.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <filesystem>
#include <string>

namespace vt::platform {
namespace {

namespace fs = std::filesystem;

TEST(UserFiles, TheWorkingFolderUnlessItIsReadOnlyOrTheInstallFolder) {
  FileFolderFacts facts;
  facts.workDir = "/home/ann/rigs";
  facts.workDirWritable = true;
  facts.installFolders = InstallFoldersOf("/opt/velotrack/bin/velotrack-panel");
  facts.userFolder = "/home/ann/.local/state/velotrack";
  EXPECT_EQ(ChooseFileFolder(facts), "/home/ann/rigs");

  facts.workDirWritable = false;
  EXPECT_EQ(ChooseFileFolder(facts), facts.userFolder);

  // Writable or not, the program's folder and its prefix take nothing,
  // however the name is written.
  facts.workDirWritable = true;
  for (const char* install : {"/opt/velotrack/bin", "/opt/velotrack/bin/", "/opt/velotrack",
                              "/opt/velotrack/./bin/../bin"}) {
    facts.workDir = install;
    EXPECT_EQ(ChooseFileFolder(facts), facts.userFolder) << install;
  }
  // With no user folder known: still never the install folder.
  facts.userFolder.clear();
  EXPECT_EQ(ChooseFileFolder(facts), fs::path());
  facts.workDir = "/home/ann/rigs";
  facts.workDirWritable = false;
  EXPECT_EQ(ChooseFileFolder(facts), "/home/ann/rigs") << "tried, and its error reported";

  // Windows: "C:\Program Files\Velotrack" in any letter case is the install
  // folder of C:/Program Files/Velotrack/velotrack-panel.exe; a program
  // folder not named bin has no prefix above it.
  FileFolderFacts win;
  win.foldCase = true;
  win.workDirWritable = true;
  win.installFolders = InstallFoldersOf("C:/Program Files/Velotrack/velotrack-panel.exe");
  ASSERT_EQ(win.installFolders.size(), 1u);
  win.userFolder = "C:/Users/Ann/AppData/Local/Velotrack";
  win.workDir = "c:/program files/VELOTRACK";
  EXPECT_EQ(ChooseFileFolder(win), win.userFolder);
  win.workDir = "C:/Program Files";
  EXPECT_EQ(ChooseFileFolder(win), win.workDir);
}

TEST(UserFiles, AWritableFolderIsProbedAndLeftAsItWas) {
  const fs::path dir = fs::temp_directory_path() / "vt-user-files-test";
  fs::remove_all(dir);
  EXPECT_FALSE(FolderWritable(dir)) << "a missing folder";
  fs::create_directories(dir);
  EXPECT_TRUE(FolderWritable(dir));
  EXPECT_TRUE(fs::is_empty(dir)) << "the probe is removed";
  // The working folder is the test's own, writable, not where the test
  // program lies: it is used as given.
  EXPECT_EQ(PanelFileFolder(dir, UserFileKind::kState), dir);
  // The test program's own folder never is: the user's folder is made.
  const fs::path user = dir / "user";
#ifdef _WIN32
  _putenv_s("LOCALAPPDATA", user.string().c_str());
#else
  setenv("XDG_DATA_HOME", user.c_str(), 1);
#endif
  const fs::path self = ProgramFile();
  ASSERT_FALSE(self.empty());
  const fs::path chosen = PanelFileFolder(self.parent_path(), UserFileKind::kData);
  EXPECT_EQ(chosen.parent_path(), user);
  EXPECT_TRUE(fs::is_directory(chosen));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vt::platform
