#pragma once

// The settings editor: shows each profile's word table on its settings page
// and turns the user's edits back into words. Every control of a page is
// bound to one word by its control id (editor/control_id.h); this class knows which words need
// more than the plain binding (labels, enabling rules, list filling).
// Toolkit-free: everything goes through the platform UI facade.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "devlink/board_identity.h"
#include "editor/control_id.h"
#include "platform/ui/ui.h"
#include "profiles/camera_models.h"
#include "profiles/choice_lists.h"
#include "profiles/profile_model.h"
#include "resources/resource_ids.h"

namespace vt::profiles {

// Which controls RefreshField updates; any combination.
inline constexpr unsigned kShowTrackBars = 1;
inline constexpr unsigned kShowLabelsAndSelectors = 2;
inline constexpr unsigned kShowCheckBoxes = 4;
inline constexpr unsigned kShowAll = kShowTrackBars | kShowLabelsAndSelectors | kShowCheckBoxes;

// The commands the editor reacts to besides the page controls are the
// servo units menu items, the page's "Defaults" button and the main
// window's "Get Messages" box (resources/resource_ids.h).

inline constexpr int kDebugSetIndex = 7;  // the Debug tab

// The windows the editor works on: the main window, the seven set pages and
// the Debug page (kNoWindow when there is none).
struct EditorWindows {
  platform::WindowHandle mainWindow = platform::kNoWindow;
  std::array<platform::WindowHandle, kProfileCount> sets{};
  platform::WindowHandle debug = platform::kNoWindow;
};

class SettingsEditor {
 public:
  SettingsEditor(platform::Ui& ui, const EditorWindows& windows);

  platform::Ui& GetUi() { return ui_; }
  const EditorWindows& Windows() const { return windows_; }
  // Page of set 0..6, the Debug page for 7, else kNoWindow.
  platform::WindowHandle PageOf(int setIndex) const;
  // Set index of a page (7 for the Debug page); -1 for any other window.
  int SetIndexOf(platform::WindowHandle window) const;

  // The seven profile word tables and the eighth one the Debug page uses.
  WordTables& Tables() { return tables_; }
  const WordTables& Tables() const { return tables_; }
  WordTable& TableOf(int setIndex);
  // The selected tab: 0..6 a set, 7 the Debug page.
  int CurrentSet() const { return currentSet_; }
  void SetCurrentSet(int setIndex);

  bool Degrees() const { return (tables_[0][word::kServoUnits] & 0x10) != 0; }
  // The attached board decides whether the battery cutoff applies (R-boards).
  void SetBoardIdentity(const devlink::BoardIdentity* identity) { identity_ = identity; }

  // ---- Showing words --------------------------------------------------------
  // Shows word `w` of `words` on every control of `page` bound to it (the
  // parts chosen by `parts`) and applies the enabling rules tied to it.
  void RefreshField(platform::WindowHandle page, WordTable& words, uint8_t w, unsigned parts);
  // Selects the first item whose code is `word`. When none has it the word
  // takes item 0's code; an empty selector makes it 0xFFFF.
  void SelectByCode(platform::WindowHandle page, uint16_t selectorId, uint16_t& word);
  // Fills a selector from `list` (absent: left empty) and selects item 0.
  void FillSelector(platform::WindowHandle page, uint16_t selectorId, const ChoiceList* list,
                    std::string_view suffix);
  void FillCameraModelSelector(platform::WindowHandle page, int profileIndex);
  void FillCameraSelectors(platform::WindowHandle page, size_t cameraIndex);
  void FillFixedSelectors(platform::WindowHandle page);

  // ---- Loading and storing --------------------------------------------------
  // Loads a stored record into profile 1..7 and shows it on its page.
  void LoadProfileIntoEditor(const StoredRecord& record, int profileNumber);
  // Loads seven records (560 bytes or more) into profiles 1..7.
  bool LoadProfilesIntoEditor(std::span<const uint8_t> records);
  ProfileRecordsBytes StoreProfiles() const { return StoreEditorProfiles(tables_); }

  // ---- Reacting to the user -------------------------------------------------
  // A command from a window (control notification or menu item). True when
  // it was one of the editor's; false leaves it to the caller.
  bool HandleCommand(platform::WindowHandle sender, uint16_t id);
  // A track bar notification on a page.
  void HandleTrackBar(platform::WindowHandle page, uint16_t id, uint16_t code);
  // Servo units for every page: 0 milliseconds, 16 degrees.
  void SetServoUnits(uint16_t units);
  // "Defaults": asks, then resets the current profile's servo words.
  bool ServoDefaults(platform::WindowHandle page);

 private:
  void ShowCheckBoxes(platform::WindowHandle page, const WordTable& words, uint8_t w);
  void ShowTrackBars(platform::WindowHandle page, const WordTable& words, uint8_t w);
  void ShowLabelsAndSelectors(platform::WindowHandle page, WordTable& words, uint8_t w);
  void ShowOnMainWindow(WordTable& words, uint8_t w, unsigned parts);
  void ShowLabel(platform::WindowHandle page, const WordTable& words, uint16_t id, uint8_t w);
  void ApplyControlMode(platform::WindowHandle page, uint16_t mode);
  void Enable(platform::WindowHandle page, uint16_t id, bool enabled);
  const CameraModel& PageCamera(platform::WindowHandle page) const;
  void SelectorChanged(platform::WindowHandle page, WordTable& words, uint16_t id);
  void CameraChanged(platform::WindowHandle page, WordTable& words);
  void SetAndShow(platform::WindowHandle page, WordTable& words, uint8_t w, uint16_t v,
                  unsigned parts);

  platform::Ui& ui_;
  EditorWindows windows_;
  WordTables tables_{};
  WordTable debugTable_{};
  int currentSet_ = 0;
  const devlink::BoardIdentity* identity_ = nullptr;
};

}  // namespace vt::profiles
