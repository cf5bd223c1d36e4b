#include "profiles/info_block_backup.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "flash/info_block_update.h"
#include "platform/file_io.h"

#include "platform/new_file.h"
#include "platform/utf8_path.h"

namespace vt::profiles {
namespace {

namespace fs = std::filesystem;

constexpr size_t kStampLength = 15;  // YYYYmmdd-HHMMSS
constexpr std::string_view kExtension = ".bin";
constexpr int kMaxSameSecond = 1000;
constexpr std::string_view kTrailerMagic = "VTBACKUP 1\n";
constexpr size_t kMaxTrailerBytes = 1024;

std::string StampOf(std::time_t when) {
  std::tm tm{};
  if (!platform::UtcTime(when, &tm)) return {};
  char text[32];
  if (std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm) != kStampLength) return {};
  return text;
}

// (stamp, n) of a backup file name, n = 0 for the first of its second;
// nothing for names that are not backups.
std::optional<std::pair<std::string, long>> ParseBackupName(const std::string& name) {
  if (name.size() < kStampLength + kExtension.size() || !name.ends_with(kExtension)) {
    return std::nullopt;
  }
  const std::string stamp = name.substr(0, kStampLength);
  for (size_t i = 0; i < kStampLength; ++i) {
    const bool ok = i == 8 ? stamp[i] == '-' : (stamp[i] >= '0' && stamp[i] <= '9');
    if (!ok) return std::nullopt;
  }
  const std::string rest = name.substr(kStampLength, name.size() - kStampLength - kExtension.size());
  if (rest.empty()) return std::make_pair(stamp, 0L);
  if (rest.size() < 2 || rest.size() > 6 || rest[0] != '-') return std::nullopt;
  long n = 0;
  for (size_t i = 1; i < rest.size(); ++i) {
    if (rest[i] < '0' || rest[i] > '9') return std::nullopt;
    n = n * 10 + (rest[i] - '0');
  }
  return std::make_pair(stamp, n);
}

const char* KindWord(char kind) { return kind == 'R' ? "r" : kind == 'A' ? "ab" : "standard"; }

// The trailer's values stay on one line of printable text.
std::string TrailerValue(std::string_view text) {
  std::string value;
  for (const char c : text.substr(0, 200)) value += (c >= 0x20 && c < 0x7F) ? c : '_';
  return value;
}

std::vector<uint8_t> BackupFileBytes(const BackupOrigin& origin, std::span<const uint8_t> block,
                                     const flash::InfoBlockCheck& check) {
  std::string trailer(kTrailerMagic);
  trailer += "kind=" + std::string(KindWord(BoardKindOf(origin.serial))) + "\n";
  trailer += "serial=" + BackupFolderName(origin.serial) + "\n";
  trailer += "firmware=" + TrailerValue(origin.firmware) + "\n";
  trailer += "condition=" + std::string(flash::BlockConditionName(check.condition));
  if (!check.damage.empty()) trailer += ": " + TrailerValue(check.damage);
  trailer += "\n";
  std::vector<uint8_t> bytes(block.begin(), block.end());
  bytes.insert(bytes.end(), trailer.begin(), trailer.end());
  return bytes;
}

// The origin a trailer names; nothing when it lacks the kind or serial.
// The kind is given by the serial's first letter, so a kind line that
// disagrees with it makes the trailer unreadable.
std::optional<BackupOrigin> ParseTrailer(const std::string& trailer) {
  BackupOrigin origin;
  std::string kind;
  bool serialSeen = false;
  size_t at = kTrailerMagic.size();
  while (at < trailer.size()) {
    size_t end = trailer.find('\n', at);
    if (end == std::string::npos) end = trailer.size();
    const std::string line = trailer.substr(at, end - at);
    at = end + 1;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "kind") kind = value;
    if (key == "serial") {
      origin.serial = value;
      serialSeen = true;
    }
    if (key == "firmware") origin.firmware = value;
  }
  if (!serialSeen || kind != KindWord(BoardKindOf(origin.serial))) return std::nullopt;
  return origin;
}

}  // namespace

fs::path DefaultBackupRoot() { return platform::UserBackupRoot(); }

std::string BackupFolderName(std::string_view serial) {
  std::string name;
  for (const char c : serial) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
    name += keep ? c : '_';
  }
  if (name.find_first_not_of('.') == std::string::npos) return "unknown";
  return name;
}

char BoardKindOf(std::string_view serial) {
  const char c = serial.empty() ? '\0' : serial[0];
  if (c == 'R') return 'R';
  if (c == 'A' || c == 'B') return 'A';
  return 'S';
}

const char* BoardKindName(char kind) {
  return kind == 'R' ? "an R-board" : kind == 'A' ? "an A/B-board" : "a standard board";
}

BackupSaveResult SaveInfoBlockBackup(const fs::path& root, const BackupOrigin& origin,
                                     std::span<const uint8_t> block, std::time_t when) {
  BackupSaveResult result;
  if (block.size() != kInfoBlockBackupSize) {
    result.error = "info block backup needs exactly 2048 bytes, got " + std::to_string(block.size());
    return result;
  }
  if (root.empty()) {
    result.error = "no folder for info block backups";
    return result;
  }
  const fs::path folder = root / BackupFolderName(origin.serial);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    result.error = "cannot create " + platform::PathToUtf8(folder) + ": " + ec.message();
    return result;
  }
  const std::string stamp = StampOf(when);
  if (stamp.empty()) {
    result.error = "cannot format the backup time";
    return result;
  }
  const flash::InfoBlockCheck check = flash::CheckInfoBlock(block);
  const std::vector<uint8_t> bytes = BackupFileBytes(origin, block, check);
  for (int n = 0; n < kMaxSameSecond; ++n) {
    std::string name = stamp;
    if (n != 0) {
      name += '-';
      name += std::to_string(n);
    }
    name += kExtension;
    const fs::path path = folder / name;
    // An existing backup is never replaced.
    std::string why;
    const platform::NewFileResult written = platform::WriteNewFile(path, bytes, &why);
    if (written == platform::NewFileResult::kExists) continue;
    if (written == platform::NewFileResult::kFailed) {
      result.error = "cannot write " + platform::PathToUtf8(path) + ": " + why;
      return result;
    }
    result.ok = true;
    result.path = path;
    result.condition = check.condition;
    return result;
  }
  result.error = "too many backups within one second in " + platform::PathToUtf8(folder);
  return result;
}

BackupSaveResult SaveInfoBlockBackup(const fs::path& root, const BackupOrigin& origin,
                                     std::span<const uint8_t> block) {
  return SaveInfoBlockBackup(root, origin, block, std::time(nullptr));
}

BackupSaveResult SaveInfoBlockBackup(const fs::path& root, std::string_view serial,
                                     std::span<const uint8_t> block, std::time_t when) {
  return SaveInfoBlockBackup(root, BackupOrigin{std::string(serial), {}}, block, when);
}

BackupSaveResult SaveInfoBlockBackup(const fs::path& root, std::string_view serial,
                                     std::span<const uint8_t> block) {
  return SaveInfoBlockBackup(root, serial, block, std::time(nullptr));
}

std::vector<BackupEntry> ListInfoBlockBackups(const fs::path& root, std::string_view serial) {
  struct Keyed {
    std::string stamp;
    long n;
    BackupEntry entry;
  };
  std::vector<Keyed> found;
  std::error_code ec;
  const fs::path folder = root / BackupFolderName(serial);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string name = platform::PathToUtf8(it->path().filename());
    const auto key = ParseBackupName(name);
    if (!key) continue;
    found.push_back({key->first, key->second, {it->path(), std::move(name)}});
  }
  std::sort(found.begin(), found.end(), [](const Keyed& a, const Keyed& b) {
    return a.stamp != b.stamp ? a.stamp < b.stamp : a.n < b.n;
  });
  std::vector<BackupEntry> out;
  for (Keyed& k : found) out.push_back(std::move(k.entry));
  return out;
}

BackupLoadResult LoadInfoBlockBackup(const fs::path& file) {
  BackupLoadResult result;
  // A regular file only (a FIFO would block), and never more than one byte
  // past the longest trailer, which tells an oversized file from a whole one.
  const auto read = platform::ReadRegularFile(file, kInfoBlockBackupSize + kMaxTrailerBytes + 1,
                                              platform::SizeRule::kFirstBytes);
  if (!read.ok()) {
    result.error = "cannot read " + read.message;
    return result;
  }
  const std::vector<uint8_t>& bytes = read.bytes;
  const size_t got = bytes.size();
  const auto notBackup = [&](const std::string& why) {
    result.error = platform::PathToUtf8(file) + " is not an info block backup (" + why + ")";
    return result;
  };
  if (got < kInfoBlockBackupSize) {
    return notBackup(std::to_string(got) + " bytes, 2048 expected");
  }
  if (got > kInfoBlockBackupSize) {
    const std::string trailer(bytes.begin() + kInfoBlockBackupSize, bytes.end());
    if (got > kInfoBlockBackupSize + kMaxTrailerBytes || !trailer.starts_with(kTrailerMagic)) {
      return notBackup("more than 2048 bytes");
    }
    auto origin = ParseTrailer(trailer);
    if (!origin) return notBackup("its description after the block is unreadable");
    result.origin = std::move(origin);
  }
  InfoBlockBytes block{};
  std::copy_n(bytes.begin(), kInfoBlockBackupSize, block.begin());
  result.block = block;
  result.check = flash::CheckInfoBlock(block);
  return result;
}

}  // namespace vt::profiles
