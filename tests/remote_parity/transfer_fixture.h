#pragma once

// The profile transfer with a headless editor, over either backend. Output
// reports can be made to fail on the host side, so the same write faults
// reach both.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "board_fixture.h"
#include "tests/support/failing_writes.h"
#include "flash/board_addresses.h"
#include "editor/headless_editor.h"
#include "resources/resource_ids.h"
#include "editor/editor_transfer_ui.h"
#include "profiles/profile_transfer.h"

namespace vt::testing {

class TransferOverBackend {
 protected:
  ~TransferOverBackend() {
    std::error_code ec;
    std::filesystem::remove_all(backupRoot_, ec);
  }

  ::testing::AssertionResult Attach(Backend backend, const std::string& preset,
                                    const sim::FaultPlan& faults = {}) {
    transfer_.reset();
    pages_.reset();
    link_.reset();
    hid_.reset();
    std::string error;
    board_ = ParityBoard::Make(backend, preset, faults, clock_, &error);
    if (!board_) return ::testing::AssertionFailure() << error;
    hid_ = std::make_unique<FailingWrites>(board_->Hid());
    link_ = std::make_unique<devlink::BoardLink>(*hid_, clock_, log_);
    if (!link_->USBDeviceDetect_Win32()) {
      return ::testing::AssertionFailure() << "not detected: " << link_->LastDetectError();
    }
    pages_ = std::make_unique<profiles::EditorTransferUi>(editor_.Editor(), link_->Identity());
    transfer_ = std::make_unique<profiles::ProfileTransfer>(*link_, *pages_);
    backupRoot_ = std::filesystem::temp_directory_path() /
                  ("vt-parity-backup-" + std::to_string(::getpid()) + "-" +
                   std::to_string(reinterpret_cast<uintptr_t>(this)));
    transfer_->SetBackupRoot(backupRoot_);
    return ::testing::AssertionSuccess();
  }

  uint32_t BlockAddress() { return flash::InfoBlockAddress(link_->Identity()); }
  std::vector<uint8_t> BoardBlock() { return board_->Peek(BlockAddress(), 2048); }
  std::string Status() {
    return editor_.Ui().GetText(editor_.MainWindow(), resources::main_window::kStatus);
  }
  void AnswerYes() { editor_.Script().QueueAnswer(platform::MessageAnswer::Yes); }
  std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const auto& box : editor_.Script().MessageBoxes()) out.push_back(box.request.text);
    return out;
  }

  platform::VirtualClock clock_;
  platform::DebugLog log_;
  std::unique_ptr<ParityBoard> board_;
  std::unique_ptr<FailingWrites> hid_;
  std::unique_ptr<devlink::BoardLink> link_;
  profiles::HeadlessEditor editor_;
  std::unique_ptr<profiles::EditorTransferUi> pages_;
  std::unique_ptr<profiles::ProfileTransfer> transfer_;
  std::filesystem::path backupRoot_;
};

}  // namespace vt::testing
