#pragma once

// Profile files (*.dat): a 48-byte header ("VT", kind, board serial, firmware
// version text) followed by seven stored records (kind '0') or one (kind '1').
// Parsing and building work on byte buffers; the thin file helpers below do
// the disk I/O. Prompts are shown by the front-ends with the texts given here.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/profile_model.h"

namespace vt::devlink {
struct BoardIdentity;
}

namespace vt::profiles {

inline constexpr size_t kProfileFileHeaderSize = 48;
inline constexpr size_t kProfileFileSerialOffset = 4;
inline constexpr size_t kProfileFileSerialBytes = 32;
inline constexpr size_t kProfileFileVersionOffset = 36;
inline constexpr size_t kProfileFileVersionBytes = 12;  // at most 11 characters + zero
// The most a reader takes from a file: the header and an all-profiles body
// plus the slack the board's image has for an eighth record.
inline constexpr size_t kProfileFileReadLimit = kProfileFileHeaderSize + 560 + 48;

enum class ProfileFileKind : uint8_t {
  kAllProfiles = '0',
  kOneProfile = '1',
};

// Texts of the file operations, exactly as shown.
inline constexpr std::string_view kProfileFileFilterName = "Profile";
inline constexpr std::string_view kProfileFileFilterPattern = "*.dat";
inline constexpr std::string_view kOpenProfileFileTitle = "Open a Profile(s) File";
inline constexpr std::string_view kSaveOneProfileTitleFormat = "Save a Set#%d to File";
inline constexpr std::string_view kSaveAllProfilesTitle = "Save All Profiles to File";
inline constexpr std::string_view kFileExistsPrompt = "Profile file already exist. Overwrite?";
inline constexpr std::string_view kFileExistsTitle = "File exist";
inline constexpr std::string_view kNotProfileFileText = "Not a Velotrack Profile file!";
inline constexpr std::string_view kFileErrorTitle = "File Error";
inline constexpr std::string_view kIncompleteProfileFileText =
    "Profile file is incomplete or damaged!\nNothing was loaded.";
inline constexpr std::string_view kLoadAllPrompt =
    "All profile settings on screen will be overwritten\n\nAre you sure?";
inline constexpr std::string_view kLoadOnePromptFormat =
    "Set#%d on screen will be overwritten\n\nAre you sure?";
inline constexpr std::string_view kFileToPcTitle = "File->PC";

// Information carried in the header; not checked when a file is loaded.
struct ProfileFileInfo {
  std::array<uint8_t, kProfileFileSerialBytes> serial{};  // UTF-16LE bytes as held
  std::string firmwareVersion;  // "%d.%d.%d", empty when it could not be read
};

// The first 32 serial bytes of the detected board, as the header holds them.
std::array<uint8_t, kProfileFileSerialBytes> ProfileFileSerial(const devlink::BoardIdentity& id);
// "%d.%d.%d" of a firmware version.
std::string FirmwareVersionText(int series, int minor, int build);

// A parsed file. Unknown kinds parse (their header is sound) with no records:
// such a file is ignored on opening.
struct ProfileFile {
  uint8_t kind = 0;  // the raw kind byte
  ProfileFileInfo info;
  std::vector<StoredRecord> records;  // 7 for kind '0', 1 for kind '1'
};

enum class ProfileFileError : uint8_t {
  kNone,
  kTruncatedHeader,  // fewer than 48 bytes: ignored silently
  kBadMagic,         // reported with kNotProfileFileText
  kTruncatedBody,    // reported with kIncompleteProfileFileText
};

struct ProfileFileParse {
  std::optional<ProfileFile> file;
  ProfileFileError error = ProfileFileError::kNone;
  std::string message;  // text to show, empty when the failure is silent
};

// Parses a profile file held in memory. A body shorter than its kind needs is
// refused rather than loaded as garbage; bytes past the body are ignored.
ProfileFileParse ParseProfileFile(std::span<const uint8_t> bytes);

// An all-profiles file: header of kind '0' and the seven records.
std::vector<uint8_t> BuildAllProfilesFile(const ProfileRecordsBytes& records,
                                          const ProfileFileInfo& info);
// A one-profile file: header of kind '1' and record `profileIndex` (0..6).
// Nothing for any other index (the Debug tab has no profile to save).
std::optional<std::vector<uint8_t>> BuildOneProfileFile(const ProfileRecordsBytes& records,
                                                        int profileIndex,
                                                        const ProfileFileInfo& info);

// What opening a parsed file does, given the current tab (0..6 a profile,
// anything else the Debug page). When `prompt` is empty nothing is loaded.
struct ProfileFileLoadPlan {
  std::string prompt;           // Yes/No question, titled kFileToPcTitle
  bool loadAll = false;         // records 0..6 into profiles 1..7
  int targetProfileIndex = -1;  // otherwise record 0 into this profile
};
ProfileFileLoadPlan PlanProfileFileLoad(const ProfileFile& file, int currentTab);

// Thin file helpers. Reading takes at most kProfileFileReadLimit bytes of a
// regular file and gives nothing when it is not one or cannot be read.
// Writing replaces the file as a whole (the old one stays until the new one
// is complete) and refuses a directory, FIFO or device. Both put the reason
// for a failure in *error when given.
std::optional<std::vector<uint8_t>> ReadProfileFileBytes(const std::filesystem::path& path,
                                                         std::string* error = nullptr);
bool WriteProfileFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                           std::string* error = nullptr);
// True for an existing regular file (the one case that asks before replacing).
bool ProfileFileExists(const std::filesystem::path& path);

}  // namespace vt::profiles
