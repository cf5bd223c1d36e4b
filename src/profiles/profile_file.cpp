#include "profiles/profile_file.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "devlink/board_identity.h"
#include "platform/file_io.h"

namespace vt::profiles {
namespace {

constexpr uint8_t kMagic0 = 'V';
constexpr uint8_t kMagic1 = 'T';

// Puts `number` where the format text has its "%d".
std::string FormatPrompt(std::string_view format, int number) {
  const size_t at = format.find("%d");
  if (at == std::string_view::npos) return std::string(format);
  std::string text(format.substr(0, at));
  text += std::to_string(number);
  text += format.substr(at + 2);
  return text;
}

// A zeroed file of `bodySize` body bytes with its header filled in.
std::vector<uint8_t> BuildHeader(ProfileFileKind kind, const ProfileFileInfo& info,
                                 size_t bodySize) {
  std::vector<uint8_t> out(kProfileFileHeaderSize + bodySize, 0);
  out[0] = kMagic0;
  out[1] = kMagic1;
  out[2] = static_cast<uint8_t>(kind);
  std::copy(info.serial.begin(), info.serial.end(),
            out.begin() + static_cast<std::ptrdiff_t>(kProfileFileSerialOffset));
  // At most 11 characters, so the field always keeps its terminating zero.
  const size_t n = std::min(info.firmwareVersion.size(), kProfileFileVersionBytes - 1);
  std::copy_n(info.firmwareVersion.begin(), n,
              out.begin() + static_cast<std::ptrdiff_t>(kProfileFileVersionOffset));
  return out;
}

size_t RecordsOfKind(uint8_t kind) {
  if (kind == static_cast<uint8_t>(ProfileFileKind::kAllProfiles)) return kProfileCount;
  if (kind == static_cast<uint8_t>(ProfileFileKind::kOneProfile)) return 1;
  return 0;
}

}  // namespace

std::array<uint8_t, kProfileFileSerialBytes> ProfileFileSerial(const devlink::BoardIdentity& id) {
  std::array<uint8_t, kProfileFileSerialBytes> out{};
  std::copy_n(id.serial.begin(), out.size(), out.begin());
  return out;
}

std::string FirmwareVersionText(int series, int minor, int build) {
  char text[48];
  std::snprintf(text, sizeof text, "%d.%d.%d", series, minor, build);
  return text;
}

ProfileFileParse ParseProfileFile(std::span<const uint8_t> bytes) {
  ProfileFileParse result;
  if (bytes.size() < kProfileFileHeaderSize) {
    result.error = ProfileFileError::kTruncatedHeader;
    return result;
  }
  if (bytes[0] != kMagic0 || bytes[1] != kMagic1) {
    result.error = ProfileFileError::kBadMagic;
    result.message = kNotProfileFileText;
    return result;
  }
  ProfileFile file;
  file.kind = bytes[2];
  std::copy_n(bytes.begin() + kProfileFileSerialOffset, kProfileFileSerialBytes,
              file.info.serial.begin());
  // The version text ends at its first zero or at the end of its field.
  const auto version = bytes.subspan(kProfileFileVersionOffset, kProfileFileVersionBytes);
  const auto end = std::find(version.begin(), version.end(), uint8_t{0});
  file.info.firmwareVersion.assign(version.begin(), end);

  const size_t count = RecordsOfKind(file.kind);
  const auto body = bytes.subspan(kProfileFileHeaderSize);
  if (body.size() < count * kRecordSize) {
    result.error = ProfileFileError::kTruncatedBody;
    result.message = kIncompleteProfileFileText;
    return result;
  }
  for (size_t i = 0; i < count; ++i) {
    StoredRecord r{};
    std::copy_n(body.begin() + static_cast<std::ptrdiff_t>(i * kRecordSize), kRecordSize, r.begin());
    file.records.push_back(r);
  }
  result.file = std::move(file);
  return result;
}

std::vector<uint8_t> BuildAllProfilesFile(const ProfileRecordsBytes& records,
                                          const ProfileFileInfo& info) {
  std::vector<uint8_t> out = BuildHeader(ProfileFileKind::kAllProfiles, info, records.size());
  std::copy(records.begin(), records.end(), out.begin() + kProfileFileHeaderSize);
  return out;
}

std::optional<std::vector<uint8_t>> BuildOneProfileFile(const ProfileRecordsBytes& records,
                                                        int profileIndex,
                                                        const ProfileFileInfo& info) {
  const std::optional<StoredRecord> record = RecordAt(records, profileIndex);
  if (!record) return std::nullopt;
  std::vector<uint8_t> out = BuildHeader(ProfileFileKind::kOneProfile, info, kRecordSize);
  std::copy(record->begin(), record->end(), out.begin() + kProfileFileHeaderSize);
  return out;
}

ProfileFileLoadPlan PlanProfileFileLoad(const ProfileFile& file, int currentTab) {
  ProfileFileLoadPlan plan;
  if (file.records.empty()) return plan;  // unknown kind: ignored
  if (file.records.size() == kProfileCount && currentTab == 0) {
    plan.prompt = kLoadAllPrompt;
    plan.loadAll = true;
    return plan;
  }
  if (currentTab < 0 || currentTab >= kProfileCount) return plan;  // Debug page
  plan.prompt = FormatPrompt(kLoadOnePromptFormat, currentTab + 1);
  plan.targetProfileIndex = currentTab;
  return plan;
}

std::optional<std::vector<uint8_t>> ReadProfileFileBytes(const std::filesystem::path& path,
                                                         std::string* error) {
  // A longer file is read only as far as a profile file can reach.
  auto read = platform::ReadRegularFile(path, kProfileFileReadLimit, platform::SizeRule::kFirstBytes);
  if (!read.ok()) {
    if (error != nullptr) *error = read.message;
    return std::nullopt;
  }
  return std::move(read.bytes);
}

bool WriteProfileFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                           std::string* error) {
  const auto written = platform::WriteFileAtomically(path, bytes);
  if (!written.ok() && error != nullptr) *error = written.message;
  return written.ok();
}

bool ProfileFileExists(const std::filesystem::path& path) { return platform::IsRegularFile(path); }

}  // namespace vt::profiles
