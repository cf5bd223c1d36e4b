#pragma once

// The Win32 UI's names for the program's UTF-8/UTF-16 conversions.
#include "platform/program_text.h"

namespace vt::platform::win32 {

using platform::Narrow;
using platform::Widen;

}  // namespace vt::platform::win32
