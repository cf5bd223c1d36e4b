// A program body that throws ends with a named message and code 1 instead of
// an abort; a body that returns keeps its own code.
#include "platform/guarded_main.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

namespace vt::platform {
namespace {

TEST(GuardedMain, EscapingExceptionsBecomeAMessageAndCodeOne) {
  EXPECT_EQ(RunGuardedMain("prog", [] { return 3; }), 3);

  testing::internal::CaptureStderr();
  EXPECT_EQ(RunGuardedMain("prog", []() -> int { throw std::runtime_error("disk on fire"); }), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "prog: unexpected error: disk on fire\n");

  testing::internal::CaptureStderr();
  EXPECT_EQ(RunGuardedMain("prog", []() -> int { throw std::bad_alloc(); }), 1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("prog: unexpected error: "), std::string::npos);

  testing::internal::CaptureStderr();
  EXPECT_EQ(RunGuardedMain("prog", []() -> int { throw 42; }), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "prog: unexpected error\n");

  // A program without a console is told too; a teller that throws changes
  // nothing.
  std::string told;
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunGuardedMain("prog", []() -> int { throw std::runtime_error("x"); },
                           [&](const std::string& m) { told = m; }),
            1);
  EXPECT_EQ(RunGuardedMain("prog", []() -> int { throw 1; },
                           [](const std::string&) { throw std::runtime_error("no screen"); }),
            1);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(told, "unexpected error: x");
}

}  // namespace
}  // namespace vt::platform
