// The command line's cases in *_posix_test.cpp files are built on POSIX
// systems only. On Windows each is reported under its own name as skipped,
// with what it needs, so a run there shows what it did not try.
#ifdef _WIN32
#include <gtest/gtest.h>

#include "tests/support/posix_only.h"

namespace {

constexpr const char* kDocs = "bash, zsh, fish and man, and the documents a native build generates";

TEST(CliDocs, BashCompletionFollowsTheCommandTree) { VT_POSIX_ONLY(kDocs); }
TEST(CliDocs, ManPageListsEveryCommandAndKeepsTextLiteral) { VT_POSIX_ONLY(kDocs); }
TEST(CliDocs, ZshAndFishCompletionsKnowEveryCommandAndOption) { VT_POSIX_ONLY(kDocs); }

TEST(HeldStopSignals, ATermOrHangupDuringTheWriteWaitsForTheVerifiedBlock) {
  VT_POSIX_ONLY("SIGTERM and SIGHUP sent to the program mid-write");
}
TEST(HeldStopSignals, AFileSizeLimitIsAWriteError) { VT_POSIX_ONLY("a file size limit (setrlimit, SIGXFSZ)"); }
TEST(BoardServerFlashFile, AnAcknowledgedWriteSurvivesTheServerBeingKilled) {
  VT_POSIX_ONLY("SIGKILL sent to the board server at a chosen flash command (SIGUSR1 resumes it)");
}

}  // namespace
#endif
