#pragma once

// The Ui the panel's behaviour tests drive: the in-memory one, or, in the
// Windows build, the native Win32 one driven through its window messages.
#ifdef VELOTRACK_TEST_WIN32_UI
#include "tests/win32_ui/win32_test_ui.h"
namespace vt::shell::testing {
using TestUi = platform::win32::Win32TestUi;
}
#else
#include "platform/ui/headless_ui.h"
namespace vt::shell::testing {
using TestUi = platform::HeadlessUi;
}
#endif
