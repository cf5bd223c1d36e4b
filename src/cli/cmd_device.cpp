// Subcommands that talk to the board directly: listing HID devices, the
// board's identity, memory reads, its messages, restart and raw commands.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <array>
#include <optional>
#include <sstream>
#include <vector>

#include "cli/cli_app.h"
#include "cli/board_choice_hid.h"
#include "cli/cli_context.h"
#include "cli/json_text.h"
#include "cli/text_format.h"
#include "devlink/board_identity.h"
#include "devlink/board_claim.h"
#include "flash/board_addresses.h"
#include "flash/flash_commands.h"

namespace vt::cli {

namespace {

// Reads are held to 1 MiB: more than any region of the board.
constexpr uint32_t kMaxReadBytes = 0x100000;
constexpr size_t kDeviceTextBytes = 255;
constexpr size_t kVersionAreaShown = 16;

std::string Hex4(uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", v);
  return text;
}

const char* YesNo(bool b) { return b ? "yes" : "no"; }

// The board kind its serial's first character names.
const char* VariantOfSerialChar(uint16_t c) {
  if (c == 'R') return "R-board";
  if (c == 'A' || c == 'B') return "A/B-board";
  return "standard board";
}

const char* Variant(const devlink::BoardIdentity& id) { return VariantOfSerialChar(id.SerialChar(0)); }

int RunDevices(CliContext& ctx, bool json) {
  app::BoardBackend* backend = ctx.Backend();
  if (backend == nullptr) return ctx.Failed();
  if (!backend->Hid().Load()) return ctx.Fail("cannot reach the HID devices of board '" + ctx.options.board + "'");
  const auto devices = backend->Hid().Enumerate();
  if (!backend->Hid().StackError().empty()) return ctx.Fail(backend->Hid().StackError(), ExitCode::kServerUnreachable);
  if (json) {
    // Field names are documented in docs/cli.md and kept stable.
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& d : devices) {
      const bool board = IsBoard(d);
      nlohmann::ordered_json j = {{"path", d.path},
                                  {"vendor_product", Hex4(d.vendorId) + ":" + Hex4(d.productId)},
                                  {"version", Hex4(d.version)},
                                  {"serial", SerialUtf8(d)},
                                  {"is_board", board},
                                  {"variant", board ? nlohmann::ordered_json(VariantOfSerialChar(d.serial.empty() ? 0 : d.serial[0]))
                                                    : nlohmann::ordered_json(nullptr)},
                                  {"input_report_length", d.capsValid ? nlohmann::ordered_json(d.inputReportLength) : nullptr},
                                  {"output_report_length", d.capsValid ? nlohmann::ordered_json(d.outputReportLength) : nullptr},
                                  {"openable", d.openable},
                                  {"no_access", d.noAccess}};
      list.push_back(std::move(j));
    }
    ctx.out << JsonLine(list);
    return 0;
  }
  if (devices.empty()) ctx.out << "no HID devices\n";
  for (const auto& d : devices) {
    ctx.out << BoardText(d.path) << "  " << Hex4(d.vendorId) << ':' << Hex4(d.productId) << "  version "
            << Hex4(d.version) << "  serial \"" << SerialOf(d) << "\"  reports ";
    if (d.capsValid) {
      ctx.out << d.inputReportLength << '/' << d.outputReportLength;
    } else {
      ctx.out << "unknown";
    }
    ctx.out << (d.openable ? "" : d.noAccess.empty() ? "  busy" : "  no access");
    if (IsBoard(d)) ctx.out << "  board: " << VariantOfSerialChar(d.serial.empty() ? 0 : d.serial[0]);
    ctx.out << '\n';
  }
  return 0;
}

int RunInfo(CliContext& ctx, bool json) {
  devlink::BoardLink* link = ctx.Board();
  if (link == nullptr) return ctx.Failed();
  const devlink::BoardIdentity& id = link->Identity();
  std::string ids = "unknown";
  for (const auto& d : link->Hid().Enumerate()) {
    if (d.path == id.devicePath) ids = Hex4(d.vendorId) + ":" + Hex4(d.productId);
  }
  auto& out = ctx.out;
  if (json) {
    // Field names are documented in docs/cli.md and kept stable.
    const nlohmann::ordered_json j = {
        {"path", id.devicePath}, {"vendor_product", ids},
        {"version", std::to_string(id.versionMajor) + "." + std::to_string(id.versionMinor)},
        {"serial", id.SerialText()}, {"variant", Variant(id)},
        {"is_legacy_board", link->IsLegacyBoard()}, {"is_variant_r", link->IsVariantR()},
        {"send_twice", link->SendTwice()}, {"input_report_length", id.inputReportByteLength},
        {"output_report_length", id.outputReportByteLength}};
    out << JsonLine(j);
    return 0;
  }
  out << "Path:                 " << BoardText(id.devicePath) << '\n'
      << "Vendor:product:       " << ids << '\n'
      << "Version:              " << int{id.versionMajor} << '.' << int{id.versionMinor} << '\n'
      << "Serial:               " << BoardText(id.SerialText()) << '\n'
      << "Variant:              " << Variant(id) << '\n'
      << "IsLegacyBoard:        " << YesNo(link->IsLegacyBoard()) << '\n'
      << "IsVariantR:           " << YesNo(link->IsVariantR()) << '\n'
      << "SendTwice:            " << YesNo(link->SendTwice()) << '\n'
      << "Input report length:  " << id.inputReportByteLength << '\n'
      << "Output report length: " << id.outputReportByteLength << '\n';
  const uint32_t area = flash::VersionAreaAddress(id);
  std::array<uint8_t, kVersionAreaShown> bytes{};
  char address[16];
  std::snprintf(address, sizeof address, "0x%x", area);
  out << "Version area " << address << ": ";
  if (flash::ReadBoardMemory(*link, area, bytes.size(), bytes.data())) {
    out << HexBytes(bytes) << '\n';
  } else {
    out << "unreadable\n";
  }
  return 0;
}

int RunRead(CliContext& ctx, const std::string& addressText, const std::string& countText) {
  const auto address = ParseNumber(addressText);
  if (!address) return ctx.Fail("bad address '" + addressText + "'", ExitCode::kUsage);
  const auto count = ParseNumber(countText, kMaxReadBytes);
  if (!count) return ctx.Fail("bad count '" + countText + "' (at most 1048576)", ExitCode::kUsage);
  if (uint64_t{*address} + *count > 0x100000000ull) return ctx.Fail("read runs past the end of the address space", ExitCode::kUsage);
  devlink::BoardLink* link = ctx.Board();
  if (link == nullptr) return ctx.Failed();
  std::vector<uint8_t> bytes(*count);
  if (!flash::ReadBoardMemory(*link, *address, *count, bytes.data())) {
    return ctx.FailWrite("Velotrack I/O Error: memory read failed", ExitCode::kFailure);
  }
  ctx.out << HexDump(*address, bytes);
  return 0;
}

struct MessagesArgs {
  bool follow = false;
  uint32_t intervalMs = 100;
  uint32_t forMs = 0;
  bool json = false;
};

int RunMessages(CliContext& ctx, const MessagesArgs& args) {
  devlink::BoardLink* link = ctx.Link();
  if (link == nullptr) return ctx.Failed();
  platform::Clock& clock = link->GetClock();
  const uint32_t start = clock.NowMs();
  for (;;) {
    std::array<uint8_t, kDeviceTextBytes> text{};
    // One fetch waits for a board another program holds, as a read does;
    // a follow skips the polls that find it held (the fetch does not wait).
    std::optional<devlink::BoardClaim> claim;
    if (!args.follow) {
      claim.emplace(*link);
      if (claim->Busy()) return ctx.Fail(claim->Refusal(), ExitCode::kBoardBusy);
    }
    const uint8_t status = link->ReadDeviceText(text);
    if (status != devlink::kStatusOk && !args.follow) return ctx.Fail("no board found", ExitCode::kNoBoard);
    // While following, a board that is away is simply asked again later.
    if (status == devlink::kStatusOk && args.json) {
      // One JSON object per line; while following only texts that came.
      const std::string shown = RenderDeviceText(text);
      if (!args.follow || !shown.empty()) {
        ctx.out << JsonLine({{"time_ms", clock.NowMs() - start}, {"text", shown}}) << std::flush;
      }
    } else if (status == devlink::kStatusOk) {
      ctx.out << RenderDeviceText(text) << std::flush;
    }
    if (!args.follow || ctx.stopRequested()) break;
    if (args.forMs != 0 && clock.NowMs() - start >= args.forMs) break;
    clock.SleepMs(args.intervalMs);
  }
  return 0;
}

int RunReset(CliContext& ctx) {
  devlink::BoardLink* link = ctx.Board(true);
  if (link == nullptr) return ctx.Failed();
  const devlink::BoardClaim claim(*link);
  if (!claim.Granted()) return ctx.FailWrite(claim.Refusal(), ExitCode::kWriteFailed);
  if (!flash::RestartBoard(*link)) return ctx.Fail("Velotrack I/O Error: restart not sent", ExitCode::kWriteFailed);
  ctx.out << "restart sent\n";
  return 0;
}

int RunCommand(CliContext& ctx, const std::vector<std::string>& fields) {
  std::array<uint8_t, 5> b{};
  static const char* kNames[] = {"CMD", "DATA", "ADDR", "I2CID", "DATA1"};
  for (size_t i = 0; i < b.size(); ++i) {
    const auto v = ParseNumber(fields[i], 0xFF);
    if (!v) return ctx.Fail(std::string("bad ") + kNames[i] + " '" + fields[i] + "' (a byte)", ExitCode::kUsage);
    b[i] = static_cast<uint8_t>(*v);
  }
  devlink::BoardLink* link = ctx.Board(true);
  if (link == nullptr) return ctx.Failed();
  if (!link->USBSendCommand(b[0], b[1], b[2], b[3], b[4])) {
    return ctx.FailWrite("Velotrack I/O Error: no response (status 0x84)", ExitCode::kFailure);
  }
  if (b[0] & 1) {
    ctx.out << "sent; the command expects no reply\n";
    return 0;
  }
  const devlink::LastReply& r = link->GetLastReply();
  const uint8_t reply[] = {r.d0, r.status, r.d1, r.d2, r.threadId};
  char status[8];
  std::snprintf(status, sizeof status, "0x%02x", r.status);
  ctx.out << "reply: " << HexBytes(reply) << '\n'
          << "status: " << status << ((r.status & 0x80) ? " (error)" : " (ok)") << '\n';
  return (r.status & 0x80) ? 1 : 0;
}

}  // namespace

void RegisterDeviceCommands(CLI::App& app, CliContext& ctx) {
  auto* devices = app.add_subcommand("devices", "list every HID device, accepted as a board or not");
  auto devicesJson = std::make_shared<bool>(false);
  devices->add_flag("--json", *devicesJson, "JSON output: a list of devices (fields in docs/cli.md)");
  devices->callback([&ctx, devicesJson] { ctx.exitCode = RunDevices(ctx, *devicesJson); });

  auto* info = app.add_subcommand("info", "identity, variant, report lengths and version area of the board");
  auto infoJson = std::make_shared<bool>(false);
  info->add_flag("--json", *infoJson, "JSON output (fields in docs/cli.md)");
  info->callback([&ctx, infoJson] { ctx.exitCode = RunInfo(ctx, *infoJson); });

  auto* read = app.add_subcommand("read", "hex dump of board memory");
  auto readArgs = std::make_shared<std::pair<std::string, std::string>>();
  read->add_option("ADDR", readArgs->first, "start address (0x... or decimal)")->required();
  read->add_option("COUNT", readArgs->second, "number of bytes")->required();
  read->callback([&ctx, readArgs] { ctx.exitCode = RunRead(ctx, readArgs->first, readArgs->second); });

  auto* messages = app.add_subcommand("messages", "print the board's text messages");
  auto msgArgs = std::make_shared<MessagesArgs>();
  messages->add_flag("--follow,-f", msgArgs->follow, "keep polling until interrupted");
  messages->add_option("--interval", msgArgs->intervalMs, "poll interval in ms")->capture_default_str();
  messages->add_option("--for", msgArgs->forMs, "stop following after this many ms (0: never)");
  messages->add_flag("--json", msgArgs->json, "JSON lines: {time_ms, text} per message");
  messages->callback([&ctx, msgArgs] { ctx.exitCode = RunMessages(ctx, *msgArgs); });

  app.add_subcommand("reset", "restart the board's microcontroller")
      ->callback([&ctx] { ctx.exitCode = RunReset(ctx); });

  auto* command = app.add_subcommand("command", "send one board command and print its reply");
  auto fields = std::make_shared<std::vector<std::string>>(5);
  command->add_option("CMD", (*fields)[0], "command code")->required();
  command->add_option("DATA", (*fields)[1], "first argument byte")->required();
  command->add_option("ADDR", (*fields)[2], "second argument byte")->required();
  command->add_option("I2CID", (*fields)[3], "third argument byte")->required();
  command->add_option("DATA1", (*fields)[4], "fourth argument byte")->required();
  command->callback([&ctx, fields] { ctx.exitCode = RunCommand(ctx, *fields); });
}

}  // namespace vt::cli
