// The transfer's window side: what the transfer asks for lands in the
// message boxes, main window fields and pages the panel has always used.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "devlink/board_identity.h"
#include "editor/editor_transfer_ui.h"
#include "editor/headless_editor.h"
#include "resources/resource_ids.h"

namespace vt::profiles {
namespace {

namespace mw = resources::main_window;

struct Window {
  HeadlessEditor h;
  devlink::BoardIdentity board;
  EditorTransferUi ui{h.Editor(), board};
};

TEST(EditorTransferUi, QuestionsAreYesNoBoxesAndNoticesErrorBoxes) {
  Window w;
  w.h.Script().QueueAnswer(platform::MessageAnswer::Yes);
  w.h.Script().QueueAnswer(platform::MessageAnswer::No);
  EXPECT_TRUE(w.ui.Ask("Sure?", "PC->Velotrack"));
  EXPECT_FALSE(w.ui.Ask("Sure?", "PC->Velotrack"));
  w.ui.ShowMessage("Write to Velotrack failed", "Write Error");

  const auto& boxes = w.h.Script().MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].request.caption, "PC->Velotrack");
  EXPECT_EQ(boxes[0].request.buttons, platform::MessageButtons::YesNo);
  EXPECT_EQ(boxes[0].request.icon, platform::MessageIcon::Question);
  EXPECT_EQ(boxes[2].request.text, "Write to Velotrack failed");
  EXPECT_EQ(boxes[2].request.buttons, platform::MessageButtons::Ok);
  EXPECT_EQ(boxes[2].request.icon, platform::MessageIcon::Error);
}

TEST(EditorTransferUi, StatusResultSerialAndFirmwareGoToTheMainWindowFields) {
  Window w;
  auto text = [&](uint16_t id) { return w.h.Ui().GetText(w.h.MainWindow(), id); };
  w.ui.SetStatus("Reading profiles...");
  EXPECT_EQ(text(mw::kStatus), "Reading profiles...");
  w.ui.ShowResult(kTransferIoError);
  EXPECT_EQ(text(mw::kStatus), "Velotrack I/O Error");
  w.ui.ShowSerial("SN 1234");
  w.ui.ShowFirmware("Firmware version: 5.32.0");
  EXPECT_EQ(text(mw::kSerial), "SN 1234");
  EXPECT_EQ(text(mw::kFirmware), "Firmware version: 5.32.0");

  // The panel's own display takes the code instead of the plain text.
  std::vector<uint8_t> shown;
  w.ui.SetResultDisplay([&](uint8_t code) { shown.push_back(code); });
  w.ui.ShowResult(kTransferOk);
  EXPECT_EQ(shown, std::vector<uint8_t>{kTransferOk});
  EXPECT_EQ(text(mw::kStatus), "Velotrack I/O Error");
}

TEST(EditorTransferUi, RecordsShownOnThePagesAreTheRecordsWritten) {
  Window w;
  w.ui.ShowProfiles(FallbackProfileRecords());
  // Set 3's word 17, a track bar the pages keep as it is.
  w.h.Editor().Tables()[2][17] = 42;
  const ProfileRecordsBytes records = w.ui.ProfilesToWrite();
  w.ui.ShowProfiles(FallbackProfileRecords());
  ASSERT_NE(w.h.Editor().Tables()[2][17], 42);
  w.ui.ShowProfiles(records);
  EXPECT_EQ(w.h.Editor().Tables()[2][17], 42);
  EXPECT_EQ(w.ui.ProfilesToWrite(), records);
}

}  // namespace
}  // namespace vt::profiles
