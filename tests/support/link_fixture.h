#pragma once

#include <cstdio>
#include <string>

#include "devlink/board_link.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "tests/support/scripted_hid.h"

namespace vt::testing {

// A board link over a scripted HID backend on virtual time, with the debug
// log captured in memory.
struct LinkFixture {
  ScriptedHid hid;
  platform::VirtualClock clock{0x1234};
  platform::DebugLog log;
  devlink::BoardLink link{hid, clock, log};
  std::FILE* logStream = nullptr;

  ~LinkFixture() {
    log.Close();
    if (logStream != nullptr) std::fclose(logStream);
  }

  // Plugs in one board and detects it; the detection's traffic is dropped.
  bool Attach(const std::string& serial, uint16_t version = 0x0500, uint16_t reportLength = 65) {
    hid.AddBoard("board:0", serial, version, reportLength);
    const bool ok = link.USBDeviceDetect_Win32();
    hid.calls.clear();
    hid.enumerations = 0;
    return ok;
  }

  void CaptureLog() {
    logStream = std::tmpfile();
    log.Attach(logStream);
  }

  std::string LogText() {
    if (logStream == nullptr) return {};
    std::fflush(logStream);
    std::rewind(logStream);
    std::string text;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, logStream)) > 0) text.append(buf, n);
    return text;
  }
};

}  // namespace vt::testing
