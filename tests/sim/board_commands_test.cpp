// The board's command replies, text messages, servo tests and the
// send-twice firmware.
#include <gtest/gtest.h>

#include "host_reports.h"

namespace vt::sim {
namespace {

using testing::CommandReport;
using testing::Host;

TEST(BoardReplies, NewerBoardAnswersThroughString244WithTheTag) {
  Host h(BoardConfig::Standard('W'));
  ASSERT_EQ(h.Send(CommandReport(h.length, 0x47, 0x28, 0x26)), 0);
  const auto reply = h.String(244, 8);
  ASSERT_EQ(reply.size(), 8u);
  EXPECT_EQ(reply[0], 2) << "series";
  EXPECT_EQ(reply[1], 0x00) << "status";
  EXPECT_EQ(reply[2], 5) << "minor";
  EXPECT_EQ(reply[4], 0x47) << "tag echo";

  // Port write: bits set and cleared, new value returned.
  h.Send(CommandReport(h.length, 0x46, 0x38, 0x26, 0x0F, 0x03, 1, 3));
  EXPECT_EQ(h.String(244, 8)[0], 0x0C);
  EXPECT_EQ(h.board->PortRegister(1, 3), 0x0C);

  // Forms the newer firmware never takes are rejected, with the tag.
  for (uint8_t cmd : {uint8_t{0xF8}, uint8_t{0x18}, uint8_t{0x90}}) {
    h.Send(CommandReport(h.length, 0x49, cmd, 0x26));
    const auto r = h.String(244, 8);
    EXPECT_EQ(r[1], 0x8A) << int{cmd};
    EXPECT_EQ(r[4], 0x49);
  }
  // A legacy request code is rejected by a newer board.
  h.Send(CommandReport(h.length, 0x4B, 0x28, 0x24));
  EXPECT_EQ(h.String(244, 8)[1], 0x8A);
  // Legacy boards have no string 244.
  Host legacy(BoardConfig::Legacy());
  int rc = 0;
  legacy.String(244, 8, &rc);
  EXPECT_EQ(rc, platform::kWaitFailed);
}

TEST(BoardReplies, StatusFlagsAnUninitialisedInfoBlock) {
  Host h(BoardConfig::Standard('W'));
  h.EnterProgramming();
  h.Erase(0xE0000);
  h.Send(CommandReport(h.length, 0x43, 0x28, 0x26));
  EXPECT_EQ(h.String(244, 8)[1], 0x40);
}

TEST(BoardReplies, LegacyBoardQueuesInputReportsAndTimesOutWhenEmpty) {
  Host h(BoardConfig::Legacy());
  ASSERT_EQ(h.length, 33u);
  h.Send(CommandReport(h.length, 0x0A, 0x18, 0x24, 0x5A, 0xA1));  // write pin memory
  h.Send(CommandReport(h.length, 0x0B, 0x08, 0x24, 0xA1, 0x07));  // read it back
  std::vector<uint8_t> buf(33);
  size_t got = 0;
  ASSERT_EQ(h.backend.Read(h.handle, buf, 200, &got), 0);
  EXPECT_EQ(got, 33u);
  EXPECT_EQ(buf[5], 0x0A) << "first queued answer";
  ASSERT_EQ(h.backend.Read(h.handle, buf, 200, &got), 0);
  EXPECT_EQ(buf[1], 0x5A);
  EXPECT_EQ(buf[5], 0x0B);
  const uint64_t before = h.clock.ElapsedMs();
  EXPECT_EQ(h.backend.Read(h.handle, buf, 200, &got), platform::kWaitTimeout);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(h.clock.ElapsedMs() - before, 200u) << "a time-out costs the full wait";
}

TEST(BoardServoTest, MovesServosRunsTheDeviceTestAndMakesNoReply) {
  Host h(BoardConfig::Standard('W'));
  h.Send(CommandReport(h.length, 0x40, 0x28, 0x26));
  const auto before = h.String(244, 8);
  h.Send(CommandReport(h.length, 0x41, 0x13, 0x26, 2, 170, 5));
  h.Send(CommandReport(h.length, 0x42, 0x13, 0x26, 1, 130, 9));
  EXPECT_EQ(h.board->ServoPositions(), (std::array<uint8_t, 4>{0, 130, 170, 0}));
  EXPECT_EQ(h.board->ServoApplyTimes()[2], 5);
  EXPECT_EQ(h.String(244, 8), before) << "0x13 is write-only";
  h.Send(CommandReport(h.length, 0x43, 0x13, 0x26, 16));
  EXPECT_TRUE(h.board->DeviceTestRunning());
  h.Send(CommandReport(h.length, 0x44, 0x13, 0x26, 17));
  EXPECT_FALSE(h.board->DeviceTestRunning());

  Host r(BoardConfig::VariantR());
  r.Send(CommandReport(r.length, 0x41, 0x13, 0x26, 0xFF, 0, 12));
  EXPECT_EQ(r.board->TestOutput(), 12);
}

TEST(BoardMessages, String246GivesACountByteAndTheTextInChunks) {
  Host h(BoardConfig::Standard('W'));
  h.String(246, 255);  // the power-up greeting
  EXPECT_EQ(h.String(246, 255), std::vector<uint8_t>{0}) << "nothing pending";
  h.Send(CommandReport(h.length, 0x41, 0x13, 0x26, 3, 150, 7));
  const std::string line = "Servo CH3 -> 150\n";
  auto text = h.String(246, 255);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text[0], line.size());
  EXPECT_EQ(std::string(text.begin() + 1, text.end()), line);
  // A small buffer takes the text in pieces; nothing is lost.
  h.Send(CommandReport(h.length, 0x42, 0x13, 0x26, 16));
  std::string got;
  for (int i = 0; i < 10 && h.board->PendingMessageBytes(); ++i) {
    auto piece = h.String(246, 6);
    ASSERT_LE(piece[0], 5);
    got.append(piece.begin() + 1, piece.end());
  }
  EXPECT_EQ(got, "Device test started\n");
}

TEST(BoardSendTwice, OnlyDoubledReportsAndSecondFetchesCount) {
  Host h(BoardConfig::SendTwice(true));
  const uint32_t block = 0xE0000;
  const auto original = h.board->Peek(block, 16);

  // A panel that forgets to double the reports changes nothing.
  h.EnterProgramming();
  h.Erase(block);
  EXPECT_FALSE(h.board->InProgrammingMode());
  EXPECT_EQ(h.board->Peek(block, 16), original);

  // Doubled reports are carried out once each.
  auto twice = [&](auto&& send) {
    send();
    send();
  };
  twice([&] { h.EnterProgramming(); });
  EXPECT_TRUE(h.board->InProgrammingMode());
  twice([&] { h.Erase(block); });
  twice([&] { h.Piece(0xED200, {0x12, 0x34}); });
  twice([&] { h.Commit(block, 2); });
  EXPECT_EQ(h.board->Peek(block, 3), (std::vector<uint8_t>{0x12, 0x34, 0xFF}));

  // Read-back: the first fetch after a read repeats the previous data.
  twice([&] { h.ReadCommand(0x2800, 4); });
  const auto stale = h.String(240, 512);
  const auto fresh = h.String(240, 512);
  EXPECT_EQ(fresh, h.board->Peek(0x2800, 4));
  EXPECT_NE(stale, fresh);
  // Commands are not doubled on this board.
  h.Send(CommandReport(h.length, 0x41, 0x28, 0x26));
  EXPECT_EQ(h.String(244, 8)[4], 0x41);
}

TEST(BoardFaults, WritesFailOrTimeOutOnceAtTheArmedCount) {
  Host h(BoardConfig::Standard('W'));
  FaultPlan plan;
  plan.failWrite = 2;
  plan.timeoutWrite = 3;
  h.board->ArmFaults(plan);
  EXPECT_EQ(h.EnterProgramming(), 0);
  EXPECT_EQ(h.LeaveProgramming(), platform::kWaitFailed);
  EXPECT_TRUE(h.board->InProgrammingMode()) << "a refused report is not carried out";
  const uint64_t t = h.clock.ElapsedMs();
  EXPECT_EQ(h.Send(testing::FlashReport(h.length, 0xF1, 0xF0, 0x2000000), 2600),
            platform::kWaitTimeout);
  EXPECT_EQ(h.clock.ElapsedMs() - t, 2600u);
  EXPECT_TRUE(h.board->InProgrammingMode());
  EXPECT_EQ(h.LeaveProgramming(), 0);
  EXPECT_FALSE(h.board->InProgrammingMode());
  // Wrong report sizes and report IDs are refused like the HID driver does.
  EXPECT_EQ(h.Send(std::vector<uint8_t>(64, 0)), platform::kWaitFailed);
  auto bad = testing::FlashReport(h.length, 0xD0, 0, 0);
  bad[0] = 1;
  EXPECT_EQ(h.Send(bad), platform::kWaitFailed);
}

TEST(BoardFaults, StaleAndForeignTagsComeBeforeTheRealAnswer) {
  Host h(BoardConfig::Standard('W'));
  FaultPlan plan;
  plan.previousTagReplies = 1;
  plan.foreignTagReplies = 1;
  h.board->ArmFaults(plan);
  h.Send(CommandReport(h.length, 0x42, 0x28, 0x26));
  // Foreign tag on this answer, and a stale one first.
  EXPECT_EQ(h.String(244, 8)[4], 0x43) << "previous request's tag";
  const auto foreign = h.String(244, 8)[4];
  EXPECT_NE(foreign & 0xFE, 0x42);
  h.Send(CommandReport(h.length, 0x43, 0x28, 0x26));
  EXPECT_EQ(h.String(244, 8)[4], 0x43) << "faults are used up";

  Host legacy(BoardConfig::Legacy());
  legacy.board->ArmFaults(plan);
  legacy.Send(CommandReport(legacy.length, 0x0A, 0x28, 0x24));
  std::vector<uint8_t> buf(33);
  size_t got = 0;
  legacy.backend.Read(legacy.handle, buf, 200, &got);
  EXPECT_EQ(buf[5], 0x0B);
  legacy.backend.Read(legacy.handle, buf, 200, &got);
  EXPECT_NE(buf[5] & 0xFE, 0x0A);
}

TEST(BoardFaults, StringFetchesFailOrArriveCorrupted) {
  Host h(BoardConfig::Standard('W'));
  FaultPlan plan;
  plan.failStringRead = 1;
  plan.corruptStringRead = 2;
  h.board->ArmFaults(plan);
  int rc = 0;
  h.ReadCommand(0xE0000, 4);
  h.String(240, 512, &rc);
  EXPECT_EQ(rc, platform::kWaitFailed);
  const auto corrupted = h.String(240, 512, &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(corrupted, (std::vector<uint8_t>{0xFE, 0xFF, 0xF7, 0xFF})) << "tag 1, length 8, inverted";
  EXPECT_EQ(h.String(240, 512), (std::vector<uint8_t>{1, 0, 8, 0}));
}

TEST(BoardFaults, BoardGoesAwayAndComesBackAfterMissedScans) {
  Host h(BoardConfig::Standard('W'));
  FaultPlan plan;
  plan.goneAfterReports = 2;
  plan.goneForEnumerations = 2;
  h.board->ArmFaults(plan);
  EXPECT_EQ(h.EnterProgramming(), 0);
  EXPECT_EQ(h.LeaveProgramming(), 0) << "the report that trips the fault is still taken";
  EXPECT_EQ(h.EnterProgramming(), platform::kWaitFailed);
  platform::HidHandle again = 0;
  EXPECT_EQ(h.backend.Open(h.path, &again), platform::kWaitFailed);
  EXPECT_TRUE(h.backend.Enumerate().empty());
  EXPECT_TRUE(h.backend.Enumerate().empty());
  ASSERT_EQ(h.backend.Enumerate().size(), 1u);
  EXPECT_EQ(h.backend.Open(h.path, &again), 0);
  EXPECT_NE(h.board->MessagesEmitted().back().find("ready"), std::string::npos);
}

TEST(BoardFaults, EnumerationShowsRefusedOpensBadCapsAndOversizedReports) {
  platform::VirtualClock clock;
  VirtualHidBackend backend(clock);
  const std::string a = backend.AddBoard(BoardConfig::Standard('W'));
  const std::string b = backend.AddBoard(BoardConfig::VariantR());
  FaultPlan plan;
  plan.refuseOpen = true;
  plan.capsInvalid = true;
  plan.reportLengthOverride = 300;
  backend.Board(a)->ArmFaults(plan);
  const auto devices = backend.Enumerate();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0].path, a);
  EXPECT_FALSE(devices[0].openable);
  EXPECT_FALSE(devices[0].capsValid);
  EXPECT_EQ(devices[0].outputReportLength, 300);
  EXPECT_TRUE(devices[1].openable);
  EXPECT_EQ(devices[1].serial[0], u'R');
  EXPECT_EQ(devices[1].vendorId, 0x10C4);
  platform::HidHandle h = 0;
  EXPECT_EQ(backend.Open(a, &h), platform::kWaitFailed);
  EXPECT_EQ(backend.Open(b, &h), 0);
  EXPECT_EQ(backend.OpenHandles(), 1u);
  backend.RemoveBoard(b);
  EXPECT_EQ(backend.OpenHandles(), 0u);
  std::vector<uint8_t> buf(64);
  size_t got = 0;
  EXPECT_EQ(backend.GetSerial(h, buf, &got), platform::kWaitFailed);
}

TEST(VirtualBackend, LatencyIsChargedPerTransactionAndBoardsStaySeparate) {
  platform::VirtualClock clock;
  VirtualHidBackend backend(clock, 3);
  const std::string a = backend.AddBoard(BoardConfig::Standard('W'));
  const std::string b = backend.AddBoard(BoardConfig::Standard('V'));
  platform::HidHandle ha = 0, hb = 0;
  backend.Open(a, &ha);
  backend.Open(b, &hb);
  backend.Write(ha, testing::FlashReport(65, 0xF1, 0xF0, 0x20220), 500);
  std::vector<uint8_t> buf(64);
  size_t got = 0;
  ASSERT_EQ(backend.GetSerial(hb, buf, &got), 0);
  EXPECT_EQ(got, 36u) << "17 units and the terminator";
  EXPECT_EQ(buf[0], 'V');
  EXPECT_EQ(clock.ElapsedMs(), 6u);
  EXPECT_TRUE(backend.Board(a)->InProgrammingMode());
  EXPECT_FALSE(backend.Board(b)->InProgrammingMode());
  // The traffic log holds each primitive with its bytes.
  const auto writes = backend.Board(a)->Traffic().OfKind(TrafficEntry::Kind::kWrite);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].bytes[3], 0xF1);
  EXPECT_EQ(writes[0].waitMs, 500u);
  EXPECT_EQ(TrafficLog::Format(writes[0]).substr(0, 24), "write wait=500 rc=0 : 00");
}

// A server answering real clients delays each transaction on its real
// clock; a read that runs out of replies still only moves the board's time.
TEST(VirtualBackend, LatencyOnAnotherClockLeavesTheBoardsTimeAlone) {
  platform::VirtualClock boardTime, realTime;
  VirtualHidBackend backend(boardTime);
  backend.SetLatency(3, &realTime);
  platform::HidHandle h = 0;
  ASSERT_EQ(backend.Open(backend.AddBoard(BoardConfig::Standard()), &h), platform::kWaitOk);
  std::vector<uint8_t> buf(65);
  size_t got = 0;
  EXPECT_EQ(backend.Read(h, buf, 40, &got), platform::kWaitTimeout);
  EXPECT_EQ(backend.GetSerial(h, buf, &got), platform::kWaitOk);
  EXPECT_EQ(realTime.ElapsedMs(), 6u);
  EXPECT_EQ(boardTime.ElapsedMs(), 40u);
}

}  // namespace
}  // namespace vt::sim
