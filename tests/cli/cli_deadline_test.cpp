#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_app.h"

namespace {

// A virtual board that answers each primitive only after two seconds (of
// virtual time): a profile read would take many minutes, and is stopped at
// its overall deadline, named as a time-out.
TEST(OverallDeadline, TheCommandLineNamesTheOperationThatRanOutOfTime) {
  std::ostringstream out, err;
  const int code = vt::cli::RunCli({"--board", "virtual:latency=2000", "profiles", "show"}, out, err);
  EXPECT_NE(code, 0);
  EXPECT_NE(err.str().find("error: time-out: the profile read did not finish within 60 s"), std::string::npos)
      << err.str();
}

}  // namespace
