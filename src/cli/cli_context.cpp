#include "cli/cli_context.h"

#include <cerrno>
#include <cstring>

#include <algorithm>

#include "app/board_address.h"
#include "cli/text_format.h"
#include "devlink/board_claim.h"
#include "platform/file_io.h"
#include "platform/utf8_path.h"

namespace vt::cli {

CliContext::~CliContext() {
  link_.reset();
  choice_.reset();
  backend_.reset();
  if (trace_ != nullptr) std::fclose(trace_);
}

int CliContext::Fail(const std::string& message, ExitCode code) {
  err << "error: " << message << '\n';
  // A failure on the way to a board server names the server and what went
  // wrong with it, whatever the operation was.
  const std::string stack = backend_ ? backend_->Hid().StackError() : std::string();
  if (!stack.empty() && message.find(stack) == std::string::npos) err << "error: " << stack << '\n';
  // So does an operation that ran out of time, whatever step it stopped at.
  if (link_ && !link_->Deadlines().Expired().empty()) err << "error: time-out: " << link_->Deadlines().Expired() << '\n';
  lastFailure_ = code;
  return ToInt(code);
}

app::BoardBackend* CliContext::Backend() {
  if (backend_) return backend_.get();
  std::string error;
  const auto address = app::ParseBoardAddress(options.board, &error);
  if (!address) {
    Fail(error, ExitCode::kUsage);
    return nullptr;
  }
  if (!options.traceFile.empty() && trace_ == nullptr) {
    // A file, or a stream such as a terminal or a pipe with a reader; never
    // a folder, and never a wait for a reader that is not there.
    const auto opened = platform::OpenLogStream(platform::PathFromUtf8(options.traceFile), platform::LogTarget::kFileOrStream);
    trace_ = opened.stream;
    if (trace_ == nullptr) {
      Fail("cannot write trace file " + opened.message, ExitCode::kWriteFailed);
      return nullptr;
    }
  }
  remote_ = address->kind == app::BoardAddress::Kind::kTcp || address->kind == app::BoardAddress::Kind::kUnix;
  backend_ = app::MakeBoardBackend(*address, trace_, &error);
  if (!backend_) Fail(error);
  return backend_.get();
}

devlink::BoardLink* CliContext::Link() {
  if (link_) return link_.get();
  app::BoardBackend* backend = Backend();
  if (backend == nullptr) return nullptr;
  choice_ = std::make_unique<BoardChoiceHid>(backend->Hid(), options.serial);
  link_ = std::make_unique<devlink::BoardLink>(*choice_, backend->GetClock(), log_);
  link_->SetClaimWaitMs(options.busyWaitSeconds * 1000);
  link_->SetStopSignals(stopSignals);
  if (!link_->LoadDll()) {
    link_.reset();
    // Over a board server the HID layer loads only when the server answers.
    Fail("cannot reach the HID devices of board '" + options.board + "'",
         remote_ ? ExitCode::kServerUnreachable : ExitCode::kFailure);
    return nullptr;
  }
  return link_.get();
}

bool CliContext::CheckBoardChoice(bool changesBoard) {
  std::vector<std::string> serials;
  for (const auto& d : Backend()->Hid().Enumerate()) {
    if (IsBoard(d)) serials.push_back(SerialOf(d));
  }
  // A stack that cannot be asked is reported by the detection that follows.
  if (!Backend()->Hid().StackError().empty()) return true;
  std::string list;
  for (const auto& s : serials) list += (list.empty() ? "" : ", ") + (s.empty() ? std::string("(no serial)") : s);
  if (!options.serial.empty()) {
    const auto same = std::count(serials.begin(), serials.end(), options.serial);
    if (same == 1) return true;
    // Two boards with one serial cannot be told apart: taking the first
    // could change the wrong one.
    if (same > 1) {
      Fail(std::to_string(same) + " boards at '" + options.board + "' have serial " + OneLine(options.serial) +
               "; connect only the one to use",
           ExitCode::kManyBoards);
      return false;
    }
    Fail("no board with serial " + OneLine(options.serial) + " at '" + options.board + "'" +
             (serials.empty() ? std::string() : "; boards there: " + list),
         ExitCode::kNoBoard);
    return false;
  }
  if (serials.size() < 2) return true;
  if (changesBoard) {
    Fail(std::to_string(serials.size()) + " boards at '" + options.board + "': " + list +
             "; choose one with --serial SERIAL",
         ExitCode::kManyBoards);
    return false;
  }
  err << "note: " << serials.size() << " boards at '" << options.board << "' (" << list << "); using "
      << serials.front() << " (choose one with --serial SERIAL)\n";
  return true;
}

devlink::BoardLink* CliContext::Board(bool changesBoard) {
  devlink::BoardLink* link = Link();
  if (link == nullptr) return nullptr;
  if (!CheckBoardChoice(changesBoard)) return nullptr;
  // A board that another program is using does not answer this one:
  // wait (bounded) for it, then say who has it.
  platform::Clock& clock = backend_->GetClock();
  const uint32_t start = clock.NowMs();
  bool found = false;
  while (!(found = link->USBDeviceDetect_Win32()) && link->StackError().empty()) {
    const std::string busy = BusyBoard();
    if (busy.empty()) break;
    if (clock.NowMs() - start >= link->ClaimWaitMs()) {
      Fail("the board is busy: used by " + busy, ExitCode::kBoardBusy);
      return nullptr;
    }
    clock.SleepMs(devlink::BoardClaim::kRetryMs);
  }
  if (!found) {
    // Nowhere to look is not the same as nothing there.
    const std::string stack = link->StackError();
    if (!stack.empty()) {
      Fail(stack, ExitCode::kServerUnreachable);
      return nullptr;
    }
    // A board this user may not open is not "missing": say what is.
    for (const auto& d : Backend()->Hid().Enumerate()) {
      if (!d.noAccess.empty() && devlink::IsAcceptedVendor(d.vendorId) &&
          devlink::IsAcceptedProduct(d.productId)) {
        Fail("no board found: " + d.noAccess, ExitCode::kNoBoard);
        return nullptr;
      }
    }
    Fail("no board found", ExitCode::kNoBoard);
    return nullptr;
  }
  return link;
}

std::string CliContext::BusyBoard() {
  platform::HidBackend& hid = backend_->Hid();
  for (const auto& d : hid.Enumerate()) {
    if (!devlink::IsAcceptedVendor(d.vendorId) || !devlink::IsAcceptedProduct(d.productId)) continue;
    // A board server lets a client claim only what it has open.
    platform::HidHandle h = platform::kInvalidHidHandle;
    if (hid.Open(d.path, &h) != platform::kWaitOk) continue;
    std::string holder;
    const int rc = hid.Claim(d.path, link_->ClientName(), &holder);
    if (rc == platform::kWaitOk) hid.Release(d.path);
    hid.Close(h);
    if (rc == platform::kWaitTimeout) return holder + "; board at " + d.path;
  }
  return {};
}

int CliContext::FailWrite(const std::string& message, ExitCode code) {
  if (link_ && !link_->LastBusy().empty()) return Fail(link_->LastBusy(), ExitCode::kBoardBusy);
  return Fail(message, code);
}

bool CliContext::Finish() {
  bool ok = true;
  std::string error;
  if (backend_ && !backend_->Finish(&error)) {
    Fail(error, ExitCode::kWriteFailed);
    ok = false;
  }
  // Trace records are written as they happen; a failed one (a full disk,
  // /dev/full) leaves the stream's error flag set and is reported here once.
  if (trace_ != nullptr && !traceChecked_) {
    traceChecked_ = true;
    errno = 0;
    if (std::fflush(trace_) != 0 || std::ferror(trace_) != 0) {
      Fail("cannot write trace file " + options.traceFile +
               (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()),
           ExitCode::kWriteFailed);
      ok = false;
    }
  }
  return ok;
}

}  // namespace vt::cli
