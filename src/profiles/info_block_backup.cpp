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

BackupSaveResult SaveInfoBlockBackup(const fs::path& root, std::string_view serial,
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
  const fs::path folder = root / BackupFolderName(serial);
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
    const platform::NewFileResult written = platform::WriteNewFile(path, block, &why);
    if (written == platform::NewFileResult::kExists) continue;
    if (written == platform::NewFileResult::kFailed) {
      result.error = "cannot write " + platform::PathToUtf8(path) + ": " + why;
      return result;
    }
    result.ok = true;
    result.path = path;
    return result;
  }
  result.error = "too many backups within one second in " + platform::PathToUtf8(folder);
  return result;
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
  // past a block, which tells an oversized file from an exact one.
  const auto read =
      platform::ReadRegularFile(file, kInfoBlockBackupSize + 1, platform::SizeRule::kFirstBytes);
  if (!read.ok()) {
    result.error = "cannot read " + read.message;
    return result;
  }
  const size_t got = read.bytes.size();
  if (got != kInfoBlockBackupSize) {
    result.error = platform::PathToUtf8(file) + " is not an info block backup (" +
                   (got > kInfoBlockBackupSize ? std::string("more than 2048")
                                               : std::to_string(got)) +
                   " bytes, 2048 expected)";
    return result;
  }
  const std::vector<uint8_t>& buffer = read.bytes;
  InfoBlockBytes block{};
  std::copy_n(buffer.begin(), kInfoBlockBackupSize, block.begin());
  result.block = block;
  return result;
}

namespace {

// 'R', 'A' (A and B boards) or 'S' for the board kind a serial names.
char KindOf(std::string_view serial) {
  const char c = serial.empty() ? '\0' : serial[0];
  if (c == 'R') return 'R';
  if (c == 'A' || c == 'B') return 'A';
  return 'S';
}

const char* KindName(char kind) {
  return kind == 'R' ? "an R-board" : kind == 'A' ? "an A/B-board" : "a standard board";
}

}  // namespace

BackupCheck CheckBackupForBoard(const fs::path& file, const InfoBlockBytes& block,
                                std::string_view boardSerial, bool force) {
  BackupCheck check;
  const std::string damage = flash::InfoBlockDamage(block);
  if (!damage.empty()) {
    check.message = platform::PathToUtf8(file) + ": not a whole settings block (" + damage + ")";
    return check;
  }
  const std::string folder = platform::PathToUtf8(file.parent_path().filename());
  const std::string own = BackupFolderName(boardSerial);
  if (folder == own) {
    check.ok = true;
    return check;
  }
  if (KindOf(folder) != KindOf(boardSerial)) {
    check.message = platform::PathToUtf8(file) + " was saved from board " + folder + ", " + KindName(KindOf(folder)) +
                    "; this board (" + own + ") is " + KindName(KindOf(boardSerial));
    return check;
  }
  check.message = platform::PathToUtf8(file) + " was saved from board " + folder + ", not from this board (" +
                  own + ")";
  if (!force) {
    check.message += "; --force puts it on this board anyway";
    return check;
  }
  check.ok = true;
  return check;
}

}  // namespace vt::profiles
