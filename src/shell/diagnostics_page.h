#pragma once

// The Debug page: the board's text messages in its list (9301), the latest
// line in the main window's field 9107, the test output track bar, "Browse",
// "Reset" and the infrared conversion. The firmware buttons ("Flash",
// "Flash Bootloader") are the main window's commands, since they stop and
// restart its message poll.
//
// The message line state lives here for the whole run. Without a Debug page
// (debug log off) the list operations find no window and do nothing, but the
// poll still fetches and field 9107 still shows the latest line.

#include <filesystem>
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "devlink/board_link.h"
#include "platform/debug_log.h"
#include "platform/ui/ui.h"

namespace vt::shell {

// Board message text: byte 0 the count n, bytes 1..n the text.
inline constexpr size_t kDeviceTextBuffer = 256;  // 255 bytes and a terminator
inline constexpr int kMaxListEntry = 512;         // past this the list restarts
inline constexpr uint8_t kLineLimit = 120;        // a line holds at most 122 characters
inline constexpr uint8_t kLineEndKept = 0xA4;     // ends a line and stays in it

// Test output track bar: register set-up on boards other than the R-board.
inline constexpr uint32_t kTestOutputCompare = 0xFFFF44;

// The text as the UI shows it: board bytes are Latin-1, the UI's texts UTF-8.
std::string BoardTextForDisplay(const std::string& bytes);

class DiagnosticsPage {
 public:
  enum class LineState : uint8_t { kUnused = 0, kCollecting = 1, kComplete = 2 };

  // `page` may be kNoWindow (debug log off).
  DiagnosticsPage(platform::Ui& ui, platform::WindowHandle mainWindow,
                  platform::WindowHandle page, devlink::BoardLink& link,
                  platform::DebugLog& log);

  // Appends board text (`text`: the bytes received, count byte first) to
  // the message list; with `add` false it only empties the list and the
  // line state. A count past the bytes received is cut to them.
  void AddMessageLine(std::span<const uint8_t> text, bool add);
  // "Clear".
  void Clear() { AddMessageLine({}, false); }

  // Command 5536: reads the board's text and appends it. Returns the status
  // code to show: 0x84 when the board could not be read, else 0x00.
  uint8_t FetchBoardMessages();
  // The latest fetch brought text.
  bool LastFetchHadText() const { return lastFetchText_; }

  // The test output at `position` (0-20): on an R-board the test command
  // with channel 255, otherwise the output compare register (with the
  // timer set up first when the position is 0).
  void TestOutput(int position);

  // "Browse": the firmware file chosen into control 106 of `sender`; a
  // cancelled dialog empties it.
  void Browse(platform::WindowHandle sender);
  // "IR": converts the recording named in control 106 of `sender`.
  void ConvertInfrared(platform::WindowHandle sender);
  // Where the conversion of a bare file name goes (empty: beside it).
  void SetOutputFolder(std::filesystem::path folder) { outputFolder_ = std::move(folder); }

  platform::WindowHandle Page() const { return page_; }
  LineState State() const { return state_; }
  int LastEntry() const { return lastEntry_; }
  // The line being collected (bytes up to the terminator).
  std::string PendingLine() const;

 private:
  void ResetLines();
  void EndLine();

  platform::Ui& ui_;
  platform::WindowHandle mainWindow_;
  std::filesystem::path outputFolder_;
  platform::WindowHandle page_;
  devlink::BoardLink& link_;
  platform::DebugLog& log_;

  LineState state_ = LineState::kUnused;
  std::array<char, 256> line_{};
  size_t cursor_ = 0;
  uint8_t lineLength_ = 0;
  int lastEntry_ = 0;
  bool lastFetchText_ = false;
};

}  // namespace vt::shell
