// Firmware subcommands: the board's and the built-in version, updates from
// a file or the built-in image, the stored-form converter and an image
// inspector.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <span>

#include "cli/cli_app.h"
#include "cli/cli_context.h"
#include "cli/held_stop.h"
#include "cli/json_text.h"
#include "cli/output_paths.h"
#include "cli/text_format.h"
#include "flash/firmware_file_check.h"
#include "flash/firmware_version.h"
#include "flash/image_converter.h"
#include "flash/image_inspect.h"
#include "flash/region_update.h"
#include "flash/update_entry.h"
#include "platform/file_io.h"
#include "platform/new_file.h"
#include "profiles/info_block_backup.h"
#include "profiles/update_backup.h"
#include "platform/utf8_path.h"

namespace vt::cli {

namespace {

std::string VersionText(const flash::FirmwareVersion& v) {
  char text[48];
  std::snprintf(text, sizeof text, "%d.%d.%d", v.series, v.minor, v.build);
  return text;
}

std::string Hex(size_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%zx", v);
  return text;
}

// Questions go to the terminal (or are all answered Yes); the progress
// window becomes a bar on a terminal and plain lines otherwise.
class TerminalUpdateUi final : public flash::UpdateUi {
 public:
  TerminalUpdateUi(CliContext& ctx, bool yes, bool terminal)
      : ctx_(ctx), yes_(yes), terminal_(terminal) {}

  bool Ask(std::string_view text, std::string_view caption) override {
    ctx_.out << caption << ": " << OneLine(text) << " [y/N] " << std::flush;
    if (yes_) {
      ctx_.out << "y\n";
      return true;
    }
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes";
  }
  void ShowMessage(std::string_view text, std::string_view caption) override {
    ctx_.out << caption << ": " << OneLine(text) << '\n';
    if (!yes_) {
      ctx_.out << "(press Enter) " << std::flush;
      std::string line;
      std::getline(std::cin, line);
    }
  }
  void SetStatus(std::string_view text) override { ctx_.out << text << '\n'; }
  void ProgressBegin(std::string_view title, std::string_view text, int rangeMax) override {
    ctx_.out << title << ": " << text << '\n';
    text_ = text;
    max_ = rangeMax;
    pos_ = 0;
    Draw();
  }
  void ProgressText(std::string_view text) override {
    if (text == text_) return;  // the same text again changes nothing on screen
    text_ = text;
    if (terminal_) ctx_.out << '\n';
    ctx_.out << text << '\n';
  }
  void ProgressStep() override {
    if (pos_ < max_) ++pos_;
    Draw();
  }
  void ProgressEnd() override {
    if (terminal_) ctx_.out << '\n';
  }
  void PumpPaintMessages() override {}

 private:
  void Draw() {
    if (!terminal_ || max_ <= 0) return;
    constexpr int kWidth = 40;
    const int filled = pos_ * kWidth / max_;
    ctx_.out << "\r[" << std::string(static_cast<size_t>(filled), '#')
             << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] "
             << pos_ * 100 / max_ << "%" << std::flush;
  }

  CliContext& ctx_;
  bool yes_;
  bool terminal_;
  int max_ = 0;
  int pos_ = 0;
  std::string text_;
};

struct UpdateArgs {
  std::string file;
  bool builtIn = false;
  bool bootloader = false;
  bool wifi = false;
  bool yes = false;
  std::string backupDir;
};

// The comparison's four outcomes: a stable name for --json and the line
// the text output prints.
struct Comparison {
  const char* name;
  const char* line;
};

Comparison CompareText(int comparison) {
  switch (comparison) {
    case -2: return {"board_newer", "The board's firmware is newer than this program supports."};
    case -1: return {"not_comparable", "Versions cannot be compared."};
    case 1: return {"upgrade_available", "Old firmware detected: an upgrade is available."};
    default: return {"up_to_date", "The board is up to date."};
  }
}

nlohmann::ordered_json VersionJson(const std::optional<flash::FirmwareVersion>& v) {
  return v ? nlohmann::ordered_json(VersionText(*v)) : nlohmann::ordered_json(nullptr);
}

int RunVersion(CliContext& ctx, bool json) {
  devlink::BoardLink* link = ctx.Board();
  if (link == nullptr) return ctx.Failed();
  std::optional<flash::FirmwareVersion> board;
  if (flash::FirmwareVersion v; flash::ReadBoardFirmwareVersion(*link, &v)) board = v;
  const auto builtIn = flash::BuiltInFirmwareVersion(link->Identity());
  std::string why;
  const bool applies =
      !builtIn || flash::BuiltInImageApplies(link->Identity(), &flash::BuiltInResource, &why);
  const Comparison comparison = CompareText(flash::CompareFirmwareVersion(*link));
  if (json) {
    // Field names are documented in docs/cli.md and kept stable.
    const nlohmann::ordered_json j = {
        {"board", VersionJson(board)},
        {"built_in", VersionJson(builtIn)},
        {"built_in_applies", builtIn ? nlohmann::ordered_json(applies) : nullptr},
        {"built_in_refused", applies ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(why)},
        {"comparison", comparison.name},
        {"verdict", comparison.line}};
    ctx.out << JsonLine(j);
    return 0;
  }
  ctx.out << "Board:    " << (board ? "Firmware version: " + VersionText(*board) : "unknown") << '\n';
  ctx.out << "Built-in: " << (builtIn ? VersionText(*builtIn) : "unknown") << '\n';
  if (!applies) ctx.out << "The built-in image cannot be applied to this board: " << why << '\n';
  ctx.out << comparison.line << '\n';
  return 0;
}

int RunUpdate(CliContext& ctx, const UpdateArgs& args) {
  if (args.builtIn == !args.file.empty()) return ctx.Fail("give either FILE.elf or --built-in", ExitCode::kUsage);
  if (args.wifi && !args.bootloader) return ctx.Fail("--wifi applies to --bootloader only", ExitCode::kUsage);
  devlink::BoardLink* link = ctx.Board(true);
  if (link == nullptr) return ctx.Failed();
  const flash::BoardVariant variant = flash::VariantOf(link->Identity());
  const auto part = args.bootloader ? flash::UpdatePart::kBootloader : flash::UpdatePart::kApplication;
  if (!args.builtIn) {
    // The same checks and verdict as `firmware inspect`, before any question.
    const auto check = flash::CheckFirmwareFile(args.file, variant, part);
    const std::string verdict = args.file + ": " + flash::FirmwareVerdict(check, variant, part);
    if (!check.ok()) return ctx.Fail(verdict, ExitCode::kRefusedInput);
    ctx.out << verdict << '\n';
  }
  const std::filesystem::path root =
      args.backupDir.empty() ? profiles::DefaultBackupRoot() : platform::PathFromUtf8(args.backupDir);
  TerminalUpdateUi ui(ctx, args.yes, isatty(STDOUT_FILENO) != 0 && &ctx.out == &std::cout);
  std::string lastBackup;
  bool lastBackupSound = true;
  flash::UpdateContext uctx{*link, ui,
                            profiles::UpdateBackupStore(*link, root, [&](const auto& saved) {
                              if (saved.ok) {
                                lastBackup = platform::PathToUtf8(saved.path);
                                lastBackupSound = saved.condition == flash::BlockCondition::kSound;
                                ctx.out << "Info block saved to " << platform::PathToUtf8(saved.path);
                                if (saved.condition != flash::BlockCondition::kSound) {
                                  ctx.out << " (" << flash::BlockConditionName(saved.condition)
                                          << ": never offered for a restore)";
                                }
                                ctx.out << '\n';
                              } else {
                                ctx.err << "cannot save the info block: " << saved.error << '\n';
                              }
                            })};
  std::optional<bool> result;
  if (args.bootloader && args.builtIn) {
    // The built-in image's bootloader, as "Flash Bootloader" would do it.
    auto decoded = flash::DecodeStoredImage(link->IsVariantR() ? flash::kRBoardImageResource
                                                               : flash::kStandardImageResource);
    if (!decoded) return ctx.Fail("no built-in image for this board");
    const auto check = flash::CheckFirmwareImage(*decoded, variant, part);
    if (!check.ok()) {
      return ctx.Fail("built-in image: " + flash::FirmwareVerdict(check, variant, part),
                      ExitCode::kRefusedInput);
    }
    if (ui.Ask("Are you sure?", "Bootloader Upgrade")) {
      flash::UpdateRequest request{flash::kSourceMemory, "", *decoded,
                                   flash::kOptionsBootloaderFromFile, 0};
      result = flash::RunUpdateRequest(uctx, request);
    }
  } else if (args.bootloader) {
    result = flash::FlashBootloaderCommand(uctx, args.file, args.wifi);
  } else {
    result = flash::FirmwareUpdateCommand(uctx, args.builtIn, args.file);
  }
  if (!result) {
    ctx.out << "No update made.\n";
    return 1;
  }
  if (const int stopped = ReportHeldStop(ctx, *result, "the new firmware, written and verified")) return stopped;
  if (!*result) {
    const auto step = uctx.failure.step;
    const bool refused = step == flash::UpdateStep::kOpen || step == flash::UpdateStep::kCheck;
    std::string why = "Velotrack I/O Error: the update failed: " + flash::DescribeUpdateFailure(uctx.failure, lastBackup);
    // A damaged block stopped it before anything was erased: the way back
    // is a sound backup.
    // So does a failure after a copy of an erased or damaged block: that
    // copy puts nothing right.
    if (uctx.infoBlockDamaged || !lastBackupSound) {
      if (!lastBackupSound) why += "; that copy holds no settings of its own";
      why += "; " + profiles::RestoreAdvice(root, link->Identity().SerialText());
    }
    return ctx.FailWrite(why, refused ? ExitCode::kRefusedInput : ExitCode::kWriteFailed);
  }
  ctx.out << "OK\n";
  return 0;
}

int RunConvert(CliContext& ctx, const std::string& in, const std::string& out) {
  if (!CheckOutputIsNotInput(ctx, out, in)) return ctx.Failed();
  std::string error;
  if (!flash::ConvertImage(platform::PathFromUtf8(in), platform::PathFromUtf8(out), &error)) {
    return ctx.Fail("cannot convert: " + error, ExitCode::kRefusedInput);
  }
  ctx.out << "wrote " << out << '\n';
  return 0;
}

nlohmann::ordered_json OptionalJson(const std::optional<size_t>& v) {
  return v ? nlohmann::ordered_json(*v) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json InspectionJson(const flash::VariantInspection& v) {
  nlohmann::ordered_json segments = nlohmann::ordered_json::array();
  for (const auto& s : v.segments) {
    segments.push_back({{"index", s.index},
                        {"file_offset", s.fileOffset},
                        {"file_bytes", s.fileBytes},
                        {"address", s.paddr},
                        {"memory_bytes", s.memBytes},
                        {"image_offset", s.inFlash ? nlohmann::ordered_json(s.dest) : nullptr}});
  }
  nlohmann::ordered_json application = nullptr;
  if (v.application) {
    const auto& a = *v.application;
    application = {{"start", a.start},
                   {"end", a.end},
                   {"board_address", a.boardAddress},
                   {"bytes", a.bytes},
                   {"checksum", a.checksum}};
  }
  return {{"variant", flash::VariantName(v.variant)},
          {"loaded_size", v.size},
          {"segments", std::move(segments)},
          {"version", v.version ? nlohmann::ordered_json(VersionText(*v.version)) : nullptr},
          {"application", std::move(application)},
          {"bootloader_end", OptionalJson(v.bootEnd)},
          {"bootloader_checksum", v.bootChecksum ? nlohmann::ordered_json(*v.bootChecksum) : nullptr},
          {"identity_record", OptionalJson(v.identity)},
          {"identity_text", v.identity ? nlohmann::ordered_json(v.identityText) : nullptr}};
}

void PrintInspection(std::ostream& out, const flash::VariantInspection& v) {
  out << flash::VariantName(v.variant) << ":\n  loaded size      " << Hex(v.size) << '\n';
  for (const auto& s : v.segments) {
    out << "  segment " << s.index << "        file " << Hex(s.fileOffset) << " +" << Hex(s.fileBytes)
        << ", address " << Hex(s.paddr) << " +" << Hex(s.memBytes)
        << (s.inFlash ? ", image offset " + Hex(s.dest) : std::string(", outside flash: not used"))
        << '\n';
  }
  if (v.version) out << "  version          " << VersionText(*v.version) << '\n';
  if (v.application) {
    const auto& a = *v.application;
    out << "  application      " << Hex(a.start) << ".." << Hex(a.end) << ", written from "
        << Hex(a.boardAddress) << ", " << a.bytes << " bytes, checksum " << Hex(a.checksum)
        << '\n';
  } else {
    out << "  application      none usable on this board\n";
  }
  if (v.bootEnd) {
    out << "  bootloader end   " << Hex(*v.bootEnd) << ", checksum " << Hex(*v.bootChecksum) << '\n';
  }
  if (v.identity) {
    out << "  identity record  " << Hex(*v.identity) << " \"" << v.identityText << "\"\n";
  }
}

int RunInspect(CliContext& ctx, const std::string& file, bool json) {
  // Read as an update reads it: a regular file, the first bytes the largest
  // board takes, zero-padded.
  std::string error;
  auto read = flash::ReadFirmwareFile(file, flash::BoardVariant::kR, &error);
  const auto report = read ? flash::InspectFirmwareImage(*read) : flash::ImageInspection{};
  auto& out = ctx.out;
  nlohmann::ordered_json variants = nlohmann::ordered_json::array();
  bool any = false;
  for (const auto& v : report.variants) {
    if (!v.loads) continue;
    if (json) {
      variants.push_back(InspectionJson(v));
    } else {
      if (!any) out << file << ": " << (report.stored ? "stored image" : "ELF image") << '\n';
      PrintInspection(out, v);
    }
    any = true;
  }
  // The verdicts `firmware update` reaches for the same file.
  nlohmann::ordered_json updates = nlohmann::ordered_json::array();
  const flash::BoardVariant all[] = {flash::BoardVariant::kStandard, flash::BoardVariant::kAB,
                                     flash::BoardVariant::kR};
  // An unreadable file gets its one error line in the text form.
  for (const auto variant : (read || json) ? std::span(all) : std::span<const flash::BoardVariant>()) {
    for (const auto part : {flash::UpdatePart::kApplication, flash::UpdatePart::kBootloader}) {
      const auto check = flash::CheckFirmwareFile(file, variant, part);
      const std::string verdict = flash::FirmwareVerdict(check, variant, part);
      if (!json) {
        out << "update: " << verdict << '\n';
        continue;
      }
      updates.push_back(
          {{"variant", flash::VariantName(variant)},
           {"part", part == flash::UpdatePart::kApplication ? "application" : "bootloader"},
           {"ok", check.ok()},
           {"failed_step", check.ok() ? nlohmann::ordered_json(nullptr)
                                      : nlohmann::ordered_json(flash::UpdateStepName(check.failedStep))},
           {"verdict", verdict}});
    }
  }
  const std::string failure = !read ? "cannot read " + error
                              : !any ? std::string("not a firmware image for any board")
                                     : std::string();
  if (json) {
    // Field names are documented in docs/cli.md and kept stable.
    const nlohmann::ordered_json j = {
        {"file", file},
        {"format", !any ? nlohmann::ordered_json(nullptr) : report.stored ? "stored" : "elf"},
        {"variants", std::move(variants)},
        {"updates", std::move(updates)},
        {"error", failure.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(failure)}};
    out << JsonLine(j);
  }
  if (!failure.empty()) return ctx.Fail(failure, ExitCode::kRefusedInput);
  return 0;
}

}  // namespace

void RegisterFirmwareCommands(CLI::App& app, CliContext& ctx) {
  auto* group = app.add_subcommand("firmware", "firmware version, updates and images");
  group->require_subcommand(1);

  auto* version = group->add_subcommand("version", "the board's and the built-in firmware version");
  auto versionJson = std::make_shared<bool>(false);
  version->add_flag("--json", *versionJson, "JSON output (fields in docs/cli.md)");
  version->callback([&ctx, versionJson] { ctx.exitCode = RunVersion(ctx, *versionJson); });

  auto* update = group->add_subcommand("update", "update the board's firmware");
  auto args = std::make_shared<UpdateArgs>();
  update->add_option("FILE", args->file, "ELF image to program");
  update->add_flag("--built-in", args->builtIn, "use the image built into the program");
  update->add_flag("--bootloader", args->bootloader, "program the image's bootloader");
  update->add_flag("--wifi", args->wifi, "bootloader for the Wifi board (letter T)");
  update->add_flag("--yes,-y", args->yes, "answer every question with yes");
  update->add_option("--backup-dir", args->backupDir,
                     std::string("where info-block copies are kept (default: ") +
                         platform::UserBackupRootText() + ")");
  update->callback([&ctx, args] { ctx.exitCode = RunUpdate(ctx, *args); });

  auto* convert = group->add_subcommand("convert", "write the stored form of an ELF image");
  auto files = std::make_shared<std::pair<std::string, std::string>>();
  convert->add_option("IN", files->first, "ELF image")->required();
  convert->add_option("OUT", files->second, "stored image to write")->required();
  convert->callback([&ctx, files] { ctx.exitCode = RunConvert(ctx, files->first, files->second); });

  auto* inspect = group->add_subcommand("inspect", "what an update would find in an image");
  auto file = std::make_shared<std::string>();
  auto inspectJson = std::make_shared<bool>(false);
  inspect->add_option("FILE", *file, "ELF or stored image")->required();
  inspect->add_flag("--json", *inspectJson, "JSON output (fields in docs/cli.md)");
  inspect->callback([&ctx, file, inspectJson] { ctx.exitCode = RunInspect(ctx, *file, *inspectJson); });
}

}  // namespace vt::cli
