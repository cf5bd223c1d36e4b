#include "editor/editor_files.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "profiles/enabling_rules.h"
#include "editor/headless_editor.h"
#include "profiles/profile_file.h"
#include "profiles/profile_file_check.h"
#include "tests/editor/editor_files_fixture.h"

namespace vt::profiles {
namespace {

using platform::MessageAnswer;

TEST_F(EditorFilesTest, SaveAllThenOpenOnSetOneRestoresEverySet) {
  const auto path = dir_ / "all.dat";
  const ProfileRecordsBytes saved = ed.StoreProfiles();
  h.Script().QueueFile(path.string());
  ASSERT_TRUE(HandleFileCommand(ed, nullptr, resources::menu::kSaveAllSets));
  ASSERT_EQ(FileBytes(path).size(), 48u + 560u);
  EXPECT_EQ(h.Script().FileDialogs()[0].request.title, "Save All Profiles to File");

  for (int i = 0; i < kProfileCount; ++i) ed.LoadProfileIntoEditor(StoredRecord{}, i + 1);
  h.Script().QueueFile(path.string());
  h.Script().QueueAnswer(MessageAnswer::Yes);
  ASSERT_TRUE(HandleFileCommand(ed, nullptr, resources::menu::kOpen));
  EXPECT_EQ(h.Script().MessageBoxes().back().request.text,
            "All profile settings on screen will be overwritten\n\nAre you sure?");
  EXPECT_EQ(ed.StoreProfiles(), saved);
  EXPECT_EQ(Camera(6), CameraModels()[11].name);
}

TEST_F(EditorFilesTest, AllProfilesFileOnAnotherSetLoadsItsFirstRecordThere) {
  const auto path = dir_ / "all.dat";
  ASSERT_EQ(WriteProfileFile(ed, nullptr, SaveWhat::kAllSets, path), SaveResult::kSaved);
  const std::string set1 = Camera(0);
  const std::string set2 = Camera(1);
  h.SelectSet(2);
  h.Script().QueueAnswer(MessageAnswer::Yes);
  EXPECT_EQ(LoadProfileFile(ed, path), OpenResult::kLoaded);
  EXPECT_EQ(h.Script().MessageBoxes().back().request.text,
            "Set#3 on screen will be overwritten\n\nAre you sure?");
  EXPECT_EQ(Camera(2), set1);
  EXPECT_EQ(Camera(1), set2);
  EXPECT_EQ(ed.TableOf(2)[word::kPanApplyTime], 10);

  // No leaves the set alone.
  h.SelectSet(3);
  const WordTable before = ed.TableOf(3);
  h.Script().QueueAnswer(MessageAnswer::No);
  EXPECT_EQ(LoadProfileFile(ed, path), OpenResult::kCancelled);
  EXPECT_EQ(ed.TableOf(3), before);
}

TEST_F(EditorFilesTest, SaveSetWritesTheCurrentRecordAndNeverTheDebugTable) {
  const auto path = dir_ / "five.dat";
  h.SelectSet(4);
  h.Script().QueueFile(path.string());
  ASSERT_EQ(SaveProfileFile(ed, nullptr, SaveWhat::kCurrentSet), SaveResult::kSaved);
  EXPECT_EQ(h.Script().FileDialogs()[0].request.title, "Save a Set#5 to File");
  const auto bytes = FileBytes(path);
  ASSERT_EQ(bytes.size(), 128u);
  EXPECT_EQ(bytes[2], '1');
  EXPECT_EQ(bytes[48], 5);  // the record's header word is its profile number

  ed.SetCurrentSet(kDebugSetIndex);
  EXPECT_EQ(SaveProfileFile(ed, nullptr, SaveWhat::kCurrentSet), SaveResult::kCancelled);
  EXPECT_EQ(h.Script().FileDialogs().size(), 1u);  // not even asked for a name
}

TEST_F(EditorFilesTest, ExistingFileIsReplacedOnlyOnYes) {
  const auto path = dir_ / "keep.dat";
  { std::ofstream(path) << "precious"; }
  h.Script().QueueAnswer(MessageAnswer::No);
  EXPECT_EQ(WriteProfileFile(ed, nullptr, SaveWhat::kAllSets, path), SaveResult::kCancelled);
  EXPECT_EQ(FileBytes(path).size(), 8u);
  EXPECT_EQ(h.Script().MessageBoxes().back().request.caption, "File exist");
  h.Script().QueueAnswer(MessageAnswer::Yes);
  EXPECT_EQ(WriteProfileFile(ed, nullptr, SaveWhat::kAllSets, path), SaveResult::kSaved);
  EXPECT_EQ(FileBytes(path).size(), 608u);
}

TEST_F(EditorFilesTest, BadFilesAreRefusedWithTheirMessage) {
  const auto bad = dir_ / "bad.dat";
  { std::ofstream(bad) << std::string(100, 'x'); }
  EXPECT_EQ(LoadProfileFile(ed, bad), OpenResult::kFailed);
  EXPECT_EQ(h.Script().MessageBoxes().back().request.text, "Not a Velotrack Profile file!");

  // An all-profiles file cut short inside its body loads nothing.
  const auto cut = dir_ / "cut.dat";
  ASSERT_EQ(WriteProfileFile(ed, nullptr, SaveWhat::kAllSets, cut), SaveResult::kSaved);
  std::filesystem::resize_file(cut, 48 + 300);
  const WordTables before = ed.Tables();
  EXPECT_EQ(LoadProfileFile(ed, cut), OpenResult::kFailed);
  EXPECT_EQ(ed.Tables(), before);

  const auto unwritable = dir_ / "no-such-dir" / "x.dat";
  EXPECT_EQ(WriteProfileFile(ed, nullptr, SaveWhat::kAllSets, unwritable), SaveResult::kFailed);
  EXPECT_EQ(h.Script().MessageBoxes().back().request.caption, "File Error");
}

// Whatever a board or a file put into the pages, what the pages save is a
// file the command line takes: the pages keep only values of their lists.
TEST_F(EditorFilesTest, EveryFileThePagesSavePassesTheFileCheck) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    for (int i = 0; i < kProfileCount; ++i) {
      StoredRecord r{};
      for (auto& b : r) b = static_cast<uint8_t>(random());
      // Half the rounds with a known camera, whose lists are not empty.
      if (round % 2 == 0) {
        const auto cameras = CameraModels();
        SetRecordU16(r, kCameraOffset, static_cast<uint16_t>(cameras[random() % cameras.size()].code));
      }
      ed.LoadProfileIntoEditor(r, i + 1);
    }
    const ProfileRecordsBytes records = ed.StoreProfiles();
    EXPECT_EQ(CheckProfileFileBytes(BuildAllProfilesFile(records, {})), "") << "round " << round;
    EXPECT_EQ(CheckProfileFileBytes(*BuildOneProfileFile(records, round % kProfileCount, {})), "");
  }
}

}  // namespace
}  // namespace vt::profiles
