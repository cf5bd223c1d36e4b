// The fixture the profile-file tests share: an editor whose six sets differ
// in camera and pan time, and a private folder for the files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "profiles/enabling_rules.h"
#include "editor/headless_editor.h"
#include "profiles/profile_file.h"
#include "tests/support/temp_path.h"

namespace vt::profiles {

class EditorFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = vt::test::TempPath("vt-editor-files");
    std::filesystem::create_directories(dir_);
    // Give every set a distinct camera and pan time.
    for (int i = 0; i < kProfileCount; ++i) {
      StoredRecord r{};
      SetRecordU16(r, kCameraOffset, static_cast<uint16_t>(CameraModels()[5 + static_cast<size_t>(i)].code));
      r[37] = static_cast<uint8_t>(10 + i);
      ed.LoadProfileIntoEditor(r, i + 1);
    }
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::vector<uint8_t> FileBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::string Camera(int set) { return h.Ui().SelectedText(h.Page(set), ids::kCameraModel); }

  HeadlessEditor h;
  SettingsEditor& ed = h.Editor();
  std::filesystem::path dir_;
};

}  // namespace vt::profiles
