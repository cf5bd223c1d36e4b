#include <gtest/gtest.h>

#include "devlink/test_command.h"
#include "tests/support/link_fixture.h"

namespace {

using vt::platform::kWaitFailed;
using vt::platform::kWaitTimeout;
using vt::testing::LinkFixture;
using vt::testing::ScriptedHid;

constexpr uint8_t kFirstTag = (0x34 & 0xFC) + 2;  // clock starts at 0x1234

TEST(Exchange, BuildsTheFrameTogglesTheTagAndCopiesTheReply) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("W1234"));
  EXPECT_EQ(f.link.Identity().threadId, kFirstTag);

  f.hid.strings[244].push_back({0, {0x11, 0x00, 0x22, 0x33, kFirstTag ^ 1, 0, 0, 0}});
  ASSERT_TRUE(f.link.USBSendCommand(0x20, 0x01, 0x02, 0x03, 0x04));
  ASSERT_EQ(f.hid.writes.size(), 1u);
  const auto& w = f.hid.writes[0].bytes;
  ASSERT_EQ(w.size(), 65u);
  EXPECT_EQ((std::vector<uint8_t>(w.begin(), w.begin() + 9)),
            (std::vector<uint8_t>{0, 65, kFirstTag ^ 1, 0x20, 0x26, 1, 2, 3, 4}));
  for (size_t k = 9; k < w.size(); ++k) EXPECT_EQ(w[k], 0) << k;
  EXPECT_EQ(f.link.GetLastReply().d0, 0x11);
  EXPECT_EQ(f.link.GetLastReply().d1, 0x22);
  EXPECT_EQ(f.link.GetLastReply().d2, 0x33);
  EXPECT_EQ(f.hid.calls, (std::vector<std::string>{"open board:0", "write", "string 244", "close"}));

  // The next exchange toggles bit 0 back.
  ASSERT_TRUE(f.link.USBSendCommand(0x20, 0, 0, 0, 0));
  EXPECT_EQ(f.hid.writes[1].bytes[2], kFirstTag);
  EXPECT_EQ(f.hid.openHandles, 0);
}

TEST(Exchange, WriteOnlyCommandReadsNothingAndKeepsLastReply) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("W1234"));
  f.hid.echoStatus = 0x40;
  ASSERT_TRUE(f.link.USBSendCommand(0x20, 0, 0, 0, 0));
  f.hid.calls.clear();
  f.hid.echoStatus = 0x8A;
  EXPECT_EQ(vt::devlink::SendTestCommand(f.link, 1, 2, 3), 0x40);
  EXPECT_EQ(f.hid.calls, (std::vector<std::string>{"open board:0", "write", "close"}));
  const auto& w = f.hid.LastWrite();
  EXPECT_EQ(w[3], 0x13);
  EXPECT_EQ(w[5], 1);
  EXPECT_EQ(w[6], 2);
  EXPECT_EQ(w[7], 3);
  EXPECT_EQ(w[8], 0);
}

TEST(Exchange, Bit7CommandsUseOddRequestAndAcceptAnyTag) {
  LinkFixture newer;
  ASSERT_TRUE(newer.Attach("W1234"));
  newer.hid.echoTagXor = 0x40;  // foreign tag
  ASSERT_TRUE(newer.link.USBSendCommand(0x90, 0, 0, 0, 0));
  EXPECT_EQ(newer.hid.writes.size(), 1u);
  EXPECT_EQ(newer.hid.LastWrite()[4], 0x27);
  EXPECT_EQ(newer.hid.LastWrite()[3], 0xF8);  // older-board service command

  LinkFixture legacy;
  ASSERT_TRUE(legacy.Attach("1234", 0x0400));
  legacy.hid.echoTagXor = 0x40;
  ASSERT_TRUE(legacy.link.USBSendCommand(0x90, 0, 0, 0, 0));
  EXPECT_EQ(legacy.hid.LastWrite()[4], 0x25);
  EXPECT_EQ(legacy.hid.LastWrite()[3], 0x90);
  EXPECT_EQ(legacy.hid.CountCalls("read"), 1u);  // legacy replies come as input reports
  EXPECT_EQ(legacy.hid.CountCalls("string 244"), 0u);
}

TEST(Exchange, LateReplyToPreviousRequestIsReadAgainWithoutNewWrite) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("W1234"));
  // Current tag after the toggle is kFirstTag ^ 1; the previous one is kFirstTag.
  f.hid.strings[244].push_back({0, {0x55, 0, 0, 0, kFirstTag, 0, 0, 0}});
  ASSERT_TRUE(f.link.USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_EQ(f.hid.writes.size(), 1u);
  EXPECT_EQ(f.hid.CountCalls("string 244"), 2u);
  EXPECT_EQ(f.link.GetLastReply().d0, 0);  // the late reply's data is not kept
}

TEST(Exchange, EndlessLateRepliesAreBoundedAndFail) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("W1234"));
  f.hid.echoTagXor = 0x01;  // always the previous tag
  EXPECT_FALSE(f.link.USBSendCommand(0x28, 0, 0, 0, 0));
  const size_t readsPerWrite = vt::devlink::BoardLink::kMaxPreviousTagRereads + 1;
  EXPECT_EQ(f.hid.writes.size(), 3u);  // first attempt and two after re-detection
  EXPECT_EQ(f.hid.CountCalls("string 244"), 3 * readsPerWrite);
  EXPECT_EQ(f.hid.enumerations, 2);
  EXPECT_EQ(f.hid.openHandles, 0);
}

TEST(Exchange, ForeignTagResendsOnceThenReDetects) {
  LinkFixture once;
  ASSERT_TRUE(once.Attach("W1234"));
  once.hid.strings[244].push_back({0, {0, 0, 0, 0, 0x80, 0, 0, 0}});
  ASSERT_TRUE(once.link.USBSendCommand(0x28, 0, 0, 0, 0));
  ASSERT_EQ(once.hid.writes.size(), 2u);
  EXPECT_EQ(once.hid.writes[0].bytes[2] ^ once.hid.writes[1].bytes[2], 1);
  EXPECT_EQ(once.hid.enumerations, 0);

  LinkFixture twice;
  ASSERT_TRUE(twice.Attach("W1234"));
  twice.hid.strings[244].push_back({0, {0, 0, 0, 0, 0x80, 0, 0, 0}});
  twice.hid.strings[244].push_back({0, {0, 0, 0, 0, 0x80, 0, 0, 0}});
  ASSERT_TRUE(twice.link.USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_EQ(twice.hid.writes.size(), 3u);
  EXPECT_EQ(twice.hid.enumerations, 1);

  // The resend is granted once per command, not once per re-detection.
  LinkFixture always;
  ASSERT_TRUE(always.Attach("W1234"));
  always.hid.echoTagXor = 0x40;
  EXPECT_FALSE(always.link.USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_EQ(always.hid.writes.size(), 4u);
  EXPECT_EQ(always.hid.enumerations, 2);
}

TEST(Exchange, TransportFailuresReDetectAtMostTwice) {
  LinkFixture recovers;
  ASSERT_TRUE(recovers.Attach("W1234"));
  recovers.hid.writeResults = {kWaitTimeout};
  recovers.hid.strings[244].push_back({kWaitFailed, {}});
  ASSERT_TRUE(recovers.link.USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_EQ(recovers.hid.writes.size(), 3u);
  EXPECT_EQ(recovers.hid.enumerations, 2);

  LinkFixture gives_up;
  ASSERT_TRUE(gives_up.Attach("W1234"));
  gives_up.hid.writeResults = {kWaitTimeout, vt::platform::kWaitAbandoned, kWaitFailed, 0};
  EXPECT_FALSE(gives_up.link.USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_EQ(gives_up.hid.writes.size(), 3u);
  EXPECT_EQ(gives_up.hid.enumerations, 2);
  EXPECT_EQ(gives_up.hid.openHandles, 0);
}

TEST(Exchange, OpenFailuresAfterSuccessfulDetectionAreBounded) {
  LinkFixture f;
  ASSERT_TRUE(f.Attach("W1234"));
  // exchange open fails, detection's open works, ... for ever
  for (int k = 0; k < 20; ++k) {
    f.hid.openResults.push_back(kWaitFailed);
    f.hid.openResults.push_back(0);
  }
  EXPECT_FALSE(f.link.USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_TRUE(f.hid.writes.empty());
  EXPECT_EQ(f.hid.enumerations, 2);
}

TEST(Exchange, NoBoardOrNoBackendFailsWithoutWriting) {
  LinkFixture none;
  EXPECT_EQ(vt::devlink::SendTestCommand(none.link, 1, 2, 3), vt::devlink::kStatusNoResponse);
  EXPECT_TRUE(none.hid.writes.empty());
  EXPECT_EQ(none.hid.enumerations, 1);

  LinkFixture noDll;
  noDll.hid.AddBoard("board:0", "W1234");
  noDll.hid.loadResult = false;
  EXPECT_FALSE(noDll.link.USBSendCommand(0x28, 0, 0, 0, 0));
  EXPECT_EQ(noDll.hid.calls, (std::vector<std::string>{"load"}));
}

TEST(Exchange, FirstCommandIsBuiltForTheBoardItFinds) {
  // Nothing detected yet: the empty identity would pass for a legacy board.
  LinkFixture f;
  f.hid.AddBoard("board:0", "W1234");
  ASSERT_TRUE(f.link.USBSendCommand(0x18, 0x05, 0xA0, 0, 0));
  EXPECT_EQ(f.hid.LastWrite()[4], 0x26);
  EXPECT_EQ(f.hid.LastWrite()[3], 0x38);
  EXPECT_EQ(f.hid.CountCalls("string 244"), 1u);
}

TEST(Exchange, WriteWaitDependsOnCommandAndVariant) {
  struct Case {
    const char* serial;
    uint8_t cmd;
    uint32_t wait;
  };
  const Case cases[] = {
      {"W1234", 0x10, 200}, {"W1234", 0x20, 200}, {"W1234", 0x28, 200}, {"W1234", 0x11, 500},
      {"W1234", 0x13, 500}, {"W1234", 0x00, 500}, {"W1234", 0x30, 500}, {"R1234", 0x10, 2600},
      {"R1234", 0x13, 2600},
  };
  for (const Case& c : cases) {
    LinkFixture f;
    ASSERT_TRUE(f.Attach(c.serial));
    ASSERT_TRUE(f.link.USBSendCommand(c.cmd, 0, 0, 0, 0));
    EXPECT_EQ(f.hid.writes.back().waitMs, c.wait) << c.serial << " cmd " << int(c.cmd);
  }
}

TEST(Exchange, LoadDllLogsOneLinePerEntryPoint) {
  LinkFixture f;
  f.CaptureLog();
  f.hid.entryPoints = {"HidD_GetHidGuid", "HidD_GetAttributes"};
  ASSERT_TRUE(f.link.LoadDll());
  EXPECT_TRUE(f.link.DllLoaded());
  EXPECT_EQ(f.LogText(), "HidD_GetHidGuid: 1\r\nHidD_GetAttributes: 2\r\n");

  LinkFixture failing;
  failing.hid.loadResult = false;
  EXPECT_FALSE(failing.link.LoadDll());
  EXPECT_FALSE(failing.link.DllLoaded());
}

}  // namespace
