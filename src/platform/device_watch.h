#pragma once

namespace vt::platform {

// Tells when HID devices may have come or gone, so that a program with no
// board attached can wait for one instead of looking on a timer. Stacks
// that cannot tell (a board server, the virtual board) have none, and their
// users keep looking on a timer.
class DeviceWatch {
 public:
  virtual ~DeviceWatch() = default;

  // A descriptor that becomes readable while notices are pending, for the
  // event loop to wait on; -1 when the watch could not be set up, or where
  // the system tells a window instead (Windows: WM_DEVICECHANGE, which the
  // Win32 front end registers for).
  virtual int ReadableFd() const = 0;

  // Takes every pending notice without waiting. True when a device may have
  // arrived or left since the last call (also when notices were lost).
  virtual bool TakeChanges() = 0;
};

}  // namespace vt::platform
