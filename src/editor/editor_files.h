#pragma once

// The File menu of the settings editor: opening a profile file into the
// pages, saving the current set or all sets, and the profiles report.

#include <filesystem>
#include <optional>
#include <string>

#include "devlink/board_link.h"
#include "profiles/profile_file.h"
#include "editor/settings_editor.h"

namespace vt::profiles {

enum class OpenResult : uint8_t {
  kLoaded,     // the file's profiles are in the editor
  kCancelled,  // no file chosen, or the user said No
  kIgnored,    // nothing to load (Debug tab, unknown kind)
  kFailed,     // unreadable, not a profile file, or incomplete
};

// File > Open: asks for a file, then loads it as LoadProfileFile does.
OpenResult OpenProfileFile(SettingsEditor& editor);
// Loads a profile file into the editor, with the question the current tab
// calls for: an all-profiles file on set 1 replaces every set, any other
// file replaces the current set with the file's first record.
OpenResult LoadProfileFile(SettingsEditor& editor, const std::filesystem::path& path);
// Loads a file already read and parsed as LoadProfileFile does, without the
// question (the caller asked its own, or needs none).
OpenResult ApplyProfileFile(SettingsEditor& editor, const ProfileFile& file);

enum class SaveWhat : uint8_t { kCurrentSet, kAllSets };
enum class SaveResult : uint8_t { kSaved, kCancelled, kFailed };

// File > Save Set / Save All: asks for a name (and before replacing a file),
// then writes the file with the board's serial and firmware version when a
// board link is given.
SaveResult SaveProfileFile(SettingsEditor& editor, devlink::BoardLink* link, SaveWhat what);
// Writes the file without asking for a name; an existing file is replaced
// only after the user agrees.
SaveResult WriteProfileFile(SettingsEditor& editor, devlink::BoardLink* link, SaveWhat what,
                            const std::filesystem::path& path);

// File > Profiles to Notepad: writes the report to `path` and opens it in a
// text viewer. When no viewer can be started the user is told where the
// report is. False when the report could not be written.
bool ShowProfilesReport(SettingsEditor& editor, const std::filesystem::path& path);

// Runs one File menu command (resources::menu); false when `id` is not one of them.
bool HandleFileCommand(SettingsEditor& editor, devlink::BoardLink* link, uint16_t id);

}  // namespace vt::profiles
