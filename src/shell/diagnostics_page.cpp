#include "shell/diagnostics_page.h"

#include <algorithm>
#include <cstring>

#include "devlink/test_command.h"
#include "flash/flash_commands.h"
#include "resources/resource_ids.h"
#include "formats/infrared_recording.h"
#include "platform/utf8_path.h"

namespace vt::shell {

namespace {

namespace dp = resources::debug_page;
namespace mw = resources::main_window;

// The timer set-up that precedes the first test output on boards other than
// the R-board, in the order the board expects.
void SetUpTestOutputTimer(devlink::BoardLink& link) {
  flash::SetBoardByteBits(link, 0xFFFEE0, 0x80);
  flash::WriteBoardByte(link, 0xFFFF4C, 0x00);
  flash::WriteBoardWord(link, 0xFFFF42, 0xFFFF);
  flash::WriteBoardWord(link, kTestOutputCompare, 2);
  flash::WriteBoardByte(link, 0xFFFF4A, 1);
  flash::WriteBoardByte(link, 0xFFFF48, 3);
  flash::WriteBoardByte(link, 0xFFFF4C, 0xD0);
}

}  // namespace

std::string BoardTextForDisplay(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

DiagnosticsPage::DiagnosticsPage(platform::Ui& ui, platform::WindowHandle mainWindow,
                                 platform::WindowHandle page, devlink::BoardLink& link,
                                 platform::DebugLog& log)
    : ui_(ui), mainWindow_(mainWindow), page_(page), link_(link), log_(log) {}

std::string DiagnosticsPage::PendingLine() const { return std::string(line_.data()); }

void DiagnosticsPage::ResetLines() {
  ui_.ClearList(page_, dp::kMessages);
  state_ = LineState::kCollecting;
  cursor_ = 0;
  lastEntry_ = 0;
  lineLength_ = 0;
}

void DiagnosticsPage::EndLine() {
  if (lastEntry_ > kMaxListEntry) ResetLines();
  const std::string line(line_.data());
  lastEntry_ = ui_.AddListLine(page_, dp::kMessages, BoardTextForDisplay(line));
  ui_.SelectListLine(page_, dp::kMessages, lastEntry_);
  log_.Printf("%s\n", line.c_str());
  state_ = LineState::kCollecting;
  lineLength_ = 0;
  cursor_ = 0;
  line_[0] = 0;
}

void DiagnosticsPage::AddMessageLine(std::span<const uint8_t> text, bool add) {
  if (state_ == LineState::kUnused || !add) {
    ResetLines();
    if (!add) return;
  }
  if (text.empty()) return;
  // The count byte is the board's word; never believe it past the bytes
  // that actually arrived.
  const size_t n = std::min<size_t>(text[0], text.size() - 1);
  if (cursor_ != 0) ui_.DeleteListLine(page_, dp::kMessages, lastEntry_);

  for (size_t i = 1; i <= n; ++i) {
    const uint8_t c = text[i];
    line_[cursor_] = static_cast<char>(c);
    line_[cursor_ + 1] = 0;
    if (c == kLineEndKept) {
      state_ = LineState::kComplete;
    } else if (c == 0x0A || c == 0x0D) {
      line_[cursor_] = 0;
      state_ = LineState::kComplete;
    } else {
      if (ui_.IsChecked(mainWindow_, mw::kGetMessages) && line_[0] != 0) {
        ui_.SetText(mainWindow_, mw::kBoardMessage, BoardTextForDisplay(PendingLine()));
      }
      if (lineLength_ > kLineLimit) state_ = LineState::kComplete;
    }
    ++cursor_;
    ++lineLength_;
    if (state_ == LineState::kComplete) EndLine();
  }

  if (cursor_ != 0) {
    lastEntry_ = ui_.AddListLine(page_, dp::kMessages, BoardTextForDisplay(PendingLine()));
    ui_.SelectListLine(page_, dp::kMessages, lastEntry_);
  }
}

uint8_t DiagnosticsPage::FetchBoardMessages() {
  std::array<uint8_t, kDeviceTextBuffer> buffer{};
  size_t got = 0;
  const uint8_t result = link_.ReadDeviceText(buffer, &got);
  lastFetchText_ = result != devlink::kStatusNoResponse && got > 0 && buffer[0] != 0;
  if (lastFetchText_) {
    AddMessageLine(std::span<const uint8_t>(buffer.data(), got), true);
  }
  return result == devlink::kStatusNoResponse ? devlink::kStatusNoResponse : devlink::kStatusOk;
}

void DiagnosticsPage::TestOutput(int position) {
  const int p = std::clamp(position, 0, 20);  // the track bar's range
  if (link_.IsVariantR()) {
    devlink::SendTestCommand(link_, 255, 0, static_cast<uint8_t>(p));
    return;
  }
  if (p == 0) SetUpTestOutputTimer(link_);
  flash::WriteBoardWord(link_, kTestOutputCompare,
                        p == 0 ? uint16_t{0} : static_cast<uint16_t>(p * 318 + 1172));
}

void DiagnosticsPage::Browse(platform::WindowHandle sender) {
  platform::FileDialogRequest request;
  request.owner = sender;
  request.mode = platform::FileDialogMode::Open;
  request.title = "Open a File";
  request.filters = {{"ELF", "*.elf"}, {"All", "*.*"}};
  request.defaultExtension = "*.bin";
  request.mustExist = true;
  const auto chosen = ui_.ChooseFile(request);
  ui_.SetText(sender, dp::kFirmwareFile, chosen ? chosen->substr(0, 260) : std::string());
}

void DiagnosticsPage::ConvertInfrared(platform::WindowHandle sender) {
  // The whole name: cutting it could split a character and name another file.
  const std::string name = ui_.GetText(sender, dp::kFirmwareFile);
  if (name.empty()) return;
  const formats::InfraredResult result = formats::ConvertInfraredFile(platform::PathFromUtf8(name), outputFolder_);
  std::string text;
  if (!result.written) {
    text = "The infrared recording was not converted:\n" + result.error;
  } else if (result.cut) {
    text = "The pulse list is cut short at " + std::to_string(formats::kInfraredTextLimit) +
           " bytes; the end of the recording is missing from\n" + platform::PathToUtf8(result.output);
  }
  if (text.empty()) return;
  platform::MessageBoxRequest box;
  box.owner = sender;
  box.text = text;
  box.caption = "IR";
  box.buttons = platform::MessageButtons::Ok;
  box.icon = platform::MessageIcon::Warning;
  ui_.MessageBox(box);
}

}  // namespace vt::shell
