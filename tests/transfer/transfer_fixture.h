#pragma once

// A panel with a headless editor talking to one virtual board, for the
// transfer tests. Every write of an output report can be made to fail.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "devlink/board_link.h"
#include "flash/board_addresses.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "editor/headless_editor.h"
#include "resources/resource_ids.h"
#include "editor/editor_transfer_ui.h"
#include "profiles/profile_transfer.h"
#include "sim/hid/virtual_hid_backend.h"
#include "tests/support/failing_writes.h"
#include "tests/support/temp_path.h"

namespace vt::profiles::testing {

// Forwards to the virtual board and fails chosen output-report writes.
using FaultyHid = vt::testing::FailingWrites;

class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override { Attach(sim::BoardConfig::Standard()); }
  void TearDown() override { std::filesystem::remove_all(backupRoot_); }

  void Attach(sim::BoardConfig config) {
    transfer_.reset();
    pages_.reset();
    link_.reset();
    hid_ = std::make_unique<sim::VirtualHidBackend>(clock_, 1);
    hid_->AddBoard(std::move(config));
    faulty_ = std::make_unique<FaultyHid>(*hid_);
    link_ = std::make_unique<devlink::BoardLink>(*faulty_, clock_, log_);
    ASSERT_TRUE(link_->USBDeviceDetect_Win32());
    pages_ = std::make_unique<EditorTransferUi>(editor_.Editor(), link_->Identity());
    transfer_ = std::make_unique<ProfileTransfer>(*link_, *pages_);
    backupRoot_ = vt::test::TempPath("vt-transfer");
    transfer_->SetBackupRoot(backupRoot_);
  }

  sim::VirtualBoard& Board() { return *hid_->Board(size_t{0}); }
  uint32_t BlockAddress() { return flash::InfoBlockAddress(link_->Identity()); }
  std::vector<uint8_t> BoardBlock() { return Board().Peek(BlockAddress(), 2048); }
  void PutBlock(const std::vector<uint8_t>& block) { ASSERT_TRUE(Board().Poke(BlockAddress(), block)); }
  std::string Status() { return editor_.Ui().GetText(editor_.MainWindow(), resources::main_window::kStatus); }
  void Answer(platform::MessageAnswer a) { editor_.Script().QueueAnswer(a); }
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const auto& box : editor_.Script().MessageBoxes()) out.push_back(box.request.text);
    return out;
  }

  platform::VirtualClock clock_;
  platform::DebugLog log_;
  std::unique_ptr<sim::VirtualHidBackend> hid_;
  std::unique_ptr<FaultyHid> faulty_;
  std::unique_ptr<devlink::BoardLink> link_;
  HeadlessEditor editor_;
  std::unique_ptr<EditorTransferUi> pages_;
  std::unique_ptr<ProfileTransfer> transfer_;
  std::filesystem::path backupRoot_;
};

inline uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
inline void PutLe16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace vt::profiles::testing
