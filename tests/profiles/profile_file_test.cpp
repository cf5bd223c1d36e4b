// Profile file bytes: building, parsing, refusing damaged files, and what
// opening a file loads where.

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "devlink/board_identity.h"
#include "profiles/profile_file.h"
#include "tests/support/posix_only.h"
#include "tests/support/temp_path.h"

namespace vt::profiles {
namespace {

ProfileRecordsBytes NumberedRecords() {
  ProfileRecordsBytes records{};
  std::iota(records.begin(), records.end(), uint8_t{0});  // byte i = i mod 256
  return records;
}

ProfileFileInfo SampleInfo() {
  ProfileFileInfo info;
  const char* serial = "RV1234";
  for (size_t k = 0; serial[k] != '\0'; ++k) info.serial[2 * k] = static_cast<uint8_t>(serial[k]);
  info.firmwareVersion = FirmwareVersionText(2, 6, 76);
  return info;
}

TEST(ProfileFileTest, AllProfilesFileLayout) {
  const std::vector<uint8_t> bytes = BuildAllProfilesFile(NumberedRecords(), SampleInfo());
  ASSERT_EQ(bytes.size(), 48u + 560u);
  EXPECT_EQ(bytes[0], 'V');
  EXPECT_EQ(bytes[1], 'T');
  EXPECT_EQ(bytes[2], '0');
  EXPECT_EQ(bytes[3], 0);
  EXPECT_EQ(bytes[4], 'R');
  EXPECT_EQ(bytes[5], 0);
  EXPECT_EQ(bytes[6], 'V');
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[36])), "2.6.76");
  for (size_t i = 36 + 6; i < 48; ++i) EXPECT_EQ(bytes[i], 0) << i;
  for (size_t i = 0; i < 560; ++i) ASSERT_EQ(bytes[48 + i], static_cast<uint8_t>(i)) << i;
}

TEST(ProfileFileTest, OneProfileFileCarriesOnlyThatRecord) {
  const auto bytes = BuildOneProfileFile(NumberedRecords(), 4, SampleInfo());
  ASSERT_TRUE(bytes);
  ASSERT_EQ(bytes->size(), 128u);  // profile 5
  EXPECT_EQ((*bytes)[2], '1');
  for (size_t i = 0; i < 80; ++i) EXPECT_EQ((*bytes)[48 + i], static_cast<uint8_t>(320 + i));
}

TEST(ProfileFileTest, SavingOneProfileNeedsAProfileTab) {
  // The Debug page is tab 7; there is no eighth record to save.
  EXPECT_FALSE(BuildOneProfileFile(NumberedRecords(), 7, SampleInfo()));
  EXPECT_FALSE(BuildOneProfileFile(NumberedRecords(), -1, SampleInfo()));
  EXPECT_TRUE(BuildOneProfileFile(NumberedRecords(), 6, SampleInfo()));
}

TEST(ProfileFileTest, VersionTextIsCutToElevenCharactersAndStaysTerminated) {
  ProfileFileInfo info;
  info.firmwareVersion = FirmwareVersionText(65535, 65535, 65535);  // 17 characters
  const auto bytes = BuildAllProfilesFile({}, info);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[36])), "65535.65535");
  EXPECT_EQ(bytes[47], 0);
  const auto parsed = ParseProfileFile(bytes);
  ASSERT_TRUE(parsed.file);
  EXPECT_EQ(parsed.file->info.firmwareVersion, "65535.65535");
}

TEST(ProfileFileTest, BuiltFilesParseBack) {
  const ProfileFileInfo info = SampleInfo();
  const auto all = ParseProfileFile(BuildAllProfilesFile(NumberedRecords(), info));
  ASSERT_TRUE(all.file) << all.message;
  EXPECT_EQ(all.error, ProfileFileError::kNone);
  EXPECT_EQ(all.file->kind, '0');
  EXPECT_EQ(all.file->info.serial, info.serial);
  EXPECT_EQ(all.file->info.firmwareVersion, "2.6.76");
  ASSERT_EQ(all.file->records.size(), 7u);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(all.file->records[static_cast<size_t>(i)], *RecordAt(NumberedRecords(), i));

  const auto one = ParseProfileFile(*BuildOneProfileFile(NumberedRecords(), 2, info));
  ASSERT_TRUE(one.file);
  ASSERT_EQ(one.file->records.size(), 1u);
  EXPECT_EQ(one.file->records[0], *RecordAt(NumberedRecords(), 2));
}

TEST(ProfileFileTest, DamagedFilesAreRefused) {
  std::vector<uint8_t> all = BuildAllProfilesFile(NumberedRecords(), SampleInfo());

  // Short header: silently ignored.
  auto r = ParseProfileFile(std::span(all).first(47));
  EXPECT_FALSE(r.file);
  EXPECT_EQ(r.error, ProfileFileError::kTruncatedHeader);
  EXPECT_TRUE(r.message.empty());
  EXPECT_EQ(ParseProfileFile({}).error, ProfileFileError::kTruncatedHeader);

  // Body one byte short of seven records, or of the one record.
  r = ParseProfileFile(std::span(all).first(48 + 559));
  EXPECT_FALSE(r.file);
  EXPECT_EQ(r.error, ProfileFileError::kTruncatedBody);
  EXPECT_EQ(r.message, kIncompleteProfileFileText);
  const auto one = *BuildOneProfileFile(NumberedRecords(), 0, SampleInfo());
  EXPECT_EQ(ParseProfileFile(std::span(one).first(127)).error, ProfileFileError::kTruncatedBody);
  EXPECT_EQ(ParseProfileFile(std::span(one).first(48)).error, ProfileFileError::kTruncatedBody);

  // Wrong magic is reported.
  all[1] = 't';
  r = ParseProfileFile(all);
  EXPECT_EQ(r.error, ProfileFileError::kBadMagic);
  EXPECT_EQ(r.message, "Not a Velotrack Profile file!");
}

TEST(ProfileFileTest, ExtraBytesAndUnknownKindsAreHarmless) {
  std::vector<uint8_t> all = BuildAllProfilesFile(NumberedRecords(), SampleInfo());
  all.resize(all.size() + 48, 0xEE);
  auto r = ParseProfileFile(all);
  ASSERT_TRUE(r.file);
  EXPECT_EQ(r.file->records.size(), 7u);

  all[2] = '5';
  r = ParseProfileFile(std::span(all).first(48));
  ASSERT_TRUE(r.file);
  EXPECT_TRUE(r.file->records.empty());
  EXPECT_TRUE(PlanProfileFileLoad(*r.file, 0).prompt.empty());
}

TEST(ProfileFileTest, OpeningPlansByKindAndCurrentTab) {
  const ProfileFile all = *ParseProfileFile(BuildAllProfilesFile(NumberedRecords(), {})).file;
  const ProfileFile one = *ParseProfileFile(*BuildOneProfileFile(NumberedRecords(), 3, {})).file;

  ProfileFileLoadPlan plan = PlanProfileFileLoad(all, 0);
  EXPECT_TRUE(plan.loadAll);
  EXPECT_EQ(plan.prompt, "All profile settings on screen will be overwritten\n\nAre you sure?");

  // An all-profiles file on Set #3 loads its first record into Set #3 only.
  plan = PlanProfileFileLoad(all, 2);
  EXPECT_FALSE(plan.loadAll);
  EXPECT_EQ(plan.targetProfileIndex, 2);
  EXPECT_EQ(plan.prompt, "Set#3 on screen will be overwritten\n\nAre you sure?");

  plan = PlanProfileFileLoad(one, 0);
  EXPECT_FALSE(plan.loadAll);
  EXPECT_EQ(plan.targetProfileIndex, 0);
  EXPECT_EQ(plan.prompt, "Set#1 on screen will be overwritten\n\nAre you sure?");

  for (int tab : {7, 8, -1}) {
    EXPECT_TRUE(PlanProfileFileLoad(all, tab).prompt.empty());
    EXPECT_TRUE(PlanProfileFileLoad(one, tab).prompt.empty());
  }
}

TEST(ProfileFileTest, SerialComesFromTheHeldIdentity) {
  devlink::BoardIdentity id;
  for (size_t i = 0; i < id.serial.size(); ++i) id.serial[i] = static_cast<uint8_t>(i + 1);
  const auto serial = ProfileFileSerial(id);
  for (size_t i = 0; i < serial.size(); ++i) EXPECT_EQ(serial[i], i + 1);
}

TEST(ProfileFileTest, FilesOnDiskRoundTripAndReplace) {
  const auto dir = vt::test::TempPath("vt_profile_file_test");
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const auto path = dir / "sets.dat";
  EXPECT_FALSE(ProfileFileExists(path));
  EXPECT_FALSE(ReadProfileFileBytes(path));

  std::vector<uint8_t> big(1000, 0x55);
  ASSERT_TRUE(WriteProfileFileBytes(path, big));
  const auto bytes = BuildAllProfilesFile(NumberedRecords(), SampleInfo());
  ASSERT_TRUE(WriteProfileFileBytes(path, bytes));  // replaces, no stale tail
  EXPECT_TRUE(ProfileFileExists(path));
  EXPECT_EQ(std::filesystem::file_size(path), bytes.size());
  EXPECT_EQ(ReadProfileFileBytes(path), bytes);

  ASSERT_TRUE(WriteProfileFileBytes(path, big));
  EXPECT_EQ(ReadProfileFileBytes(path)->size(), kProfileFileReadLimit);
  EXPECT_FALSE(WriteProfileFileBytes(dir / "missing" / "x.dat", bytes));
  std::filesystem::remove_all(dir);
}

TEST(ProfileFileTest, FoldersAreNeitherReadNorReplaced) {
  const auto dir = vt::test::TempPath("vt_profile_folder_test");
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "folder.dat");
  std::string error;
  EXPECT_FALSE(ProfileFileExists(dir / "folder.dat"));
  EXPECT_FALSE(ReadProfileFileBytes(dir / "folder.dat"));
  const auto bytes = BuildAllProfilesFile(NumberedRecords(), SampleInfo());
  EXPECT_FALSE(WriteProfileFileBytes(dir / "folder.dat", bytes, &error));
  EXPECT_NE(error.find("directory"), std::string::npos) << error;
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.dat"));
  std::filesystem::remove_all(dir);
}

TEST(ProfileFileTest, PipesAndDevicesAreNeitherReadNorReplaced) {
  VT_POSIX_ONLY("a FIFO (mkfifo) and /dev/null");
  const auto dir = vt::test::TempPath("vt_profile_kinds_test");
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const auto fifo = dir / "pipe.dat";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string error;
  // A FIFO once hung both the existence check and the read.
  EXPECT_FALSE(ProfileFileExists(fifo));
  EXPECT_FALSE(ReadProfileFileBytes(fifo, &error));
  EXPECT_NE(error.find("FIFO"), std::string::npos) << error;
  const auto bytes = BuildAllProfilesFile(NumberedRecords(), SampleInfo());
  EXPECT_FALSE(WriteProfileFileBytes(fifo, bytes));
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_FALSE(WriteProfileFileBytes("/dev/null", bytes));
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vt::profiles
