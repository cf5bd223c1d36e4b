#pragma once

namespace vt::platform {

// Results of the HID primitives. They keep the values of the operating
// system's wait functions because the layers above compare against them.
inline constexpr int kWaitOk = 0;
inline constexpr int kWaitTimeout = 0x102;    // the bounded wait ran out
inline constexpr int kWaitAbandoned = 0x80;   // the wait was abandoned
inline constexpr int kWaitFailed = -1;        // no device, bad handle, device gone

}  // namespace vt::platform
