#pragma once

// Replies of a board (or of whatever answers in its place) to the command
// exchange and the memory reads: detection, commands with their tags and
// resends, device text, the serial, memory and the profile read into the
// settings pages. Every exchange stays within its bounds of resends and
// re-detections, and nothing reads or writes outside its buffers.
#include <cstdint>
#include <span>

#include "devlink/board_link.h"
#include "flash/firmware_version.h"
#include "flash/flash_commands.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "editor/headless_editor.h"
#include "editor/editor_transfer_ui.h"
#include "profiles/profile_transfer.h"
#include "tests/fuzz/bodies/scripted_hid_backend.h"

namespace vt::fuzz {

inline void RunDeviceReplyInput(std::span<const uint8_t> data) {
  FuzzInput in(data);
  ScriptedHidBackend hid(in);
  platform::VirtualClock clock;
  platform::DebugLog log;
  devlink::BoardLink link(hid, clock, log);
  if (!link.USBDeviceDetect_Win32()) return;
  for (int step = 0; step < 24 && !in.Empty(); ++step) {
    const size_t before = hid.Calls();
    switch (in.U8() % 6) {
      case 0: {
        const uint8_t cmd = in.U8();
        link.USBSendCommand(cmd, in.U8(), in.U8(), in.U8(), in.U8());
        break;
      }
      case 1: {
        std::array<uint8_t, 256> text{};
        const size_t size = 1 + size_t{in.U8()};
        size_t got = 0;
        link.ReadDeviceText(std::span<uint8_t>(text).first(size), &got);
        Require(got < size, "device text leaves room for its terminator");
        break;
      }
      case 2:
        link.RereadSerial();
        break;
      case 3: {
        std::vector<uint8_t> dest(in.U16() % 2100);
        flash::ReadBoardMemory(link, in.U32(), static_cast<uint32_t>(dest.size()), dest.data());
        break;
      }
      case 4: {
        flash::FirmwareVersion version;
        flash::ReadBoardFirmwareVersion(link, &version);
        break;
      }
      default:
        link.USBDeviceDetect_Win32();
        break;
    }
    // Three sends (two after re-detection) and bounded rereads per
    // exchange; a chunked read of 2100 bytes has 18 chunks.
    Require(hid.Calls() - before < 400, "an operation stays within its resends");
  }
}

// The profile read into the settings pages from whatever the board answers.
inline void RunProfileReadInput(std::span<const uint8_t> data, profiles::HeadlessEditor& editor) {
  FuzzInput in(data);
  ScriptedHidBackend hid(in);
  platform::VirtualClock clock;
  platform::DebugLog log;
  devlink::BoardLink link(hid, clock, log);
  if (!link.USBDeviceDetect_Win32()) return;
  editor.Script().ClearRecord();
  profiles::EditorTransferUi pages(editor.Editor(), link.Identity());
  profiles::ProfileTransfer transfer(link, pages);
  transfer.SetFirmwareLookup([](int) -> std::optional<std::span<const uint8_t>> { return std::nullopt; });
  transfer.ReadProfilesFromBoard(false);
}

}  // namespace vt::fuzz

namespace vt::fuzz {

// One input of the target: the first byte picks the profile read or the
// exchanges. The editor is built once, since building its pages costs far
// more than one read; each read replaces all it shows.
inline void RunDeviceReplyTargetInput(std::span<const uint8_t> data) {
  if (data.empty()) return;
  if (data[0] & 1) {
    static profiles::HeadlessEditor editor;
    RunProfileReadInput(data.subspan(1), editor);
  } else {
    RunDeviceReplyInput(data.subspan(1));
  }
}

}  // namespace vt::fuzz
