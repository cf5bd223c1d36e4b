#include "editor/editor_files.h"

#include <cstdio>
#include <system_error>

#include "flash/firmware_version.h"
#include "platform/file_io.h"
#include "profiles/profile_file.h"
#include "profiles/profile_text.h"
#include "profiles/profiles_report.h"
#include "platform/utf8_path.h"

namespace vt::profiles {
namespace {

bool AskYesNo(platform::Ui& ui, std::string_view text, std::string_view caption) {
  platform::MessageBoxRequest request;
  request.text = std::string(text);
  request.caption = std::string(caption);
  request.buttons = platform::MessageButtons::YesNo;
  request.icon = platform::MessageIcon::Question;
  return ui.MessageBox(request) == platform::MessageAnswer::Yes;
}

void Tell(platform::Ui& ui, std::string_view text, std::string_view caption) {
  platform::MessageBoxRequest request;
  request.text = std::string(text);
  request.caption = std::string(caption);
  request.buttons = platform::MessageButtons::Ok;
  ui.MessageBox(request);
}

platform::FileDialogRequest ProfileDialog(platform::FileDialogMode mode, std::string title) {
  platform::FileDialogRequest request;
  request.mode = mode;
  request.title = std::move(title);
  // The binary file first: it stays the form the panel exchanges.
  request.filters = {{std::string(kProfileFileFilterName), std::string(kProfileFileFilterPattern)},
                     {std::string(kProfileTextFilterName), std::string(kProfileTextFilterPattern)}};
  request.defaultExtension = std::string(kProfileFileFilterPattern);
  request.mustExist = mode == platform::FileDialogMode::Open;
  return request;
}

ProfileFileInfo BoardInfo(devlink::BoardLink* link) {
  ProfileFileInfo info;
  if (link == nullptr) return info;
  info.serial = ProfileFileSerial(link->Identity());
  flash::FirmwareVersion version;
  if (flash::ReadBoardFirmwareVersion(*link, &version)) {
    info.firmwareVersion = FirmwareVersionText(version.series, version.minor, version.build);
  }
  return info;
}

}  // namespace

OpenResult OpenProfileFile(SettingsEditor& editor) {
  platform::Ui& ui = editor.GetUi();
  auto request = ProfileDialog(platform::FileDialogMode::Open, std::string(kOpenProfileFileTitle));
  request.owner = editor.Windows().mainWindow;
  const auto path = ui.ChooseFile(request);
  if (!path) return OpenResult::kCancelled;
  return LoadProfileFile(editor, platform::PathFromUtf8(*path));
}

OpenResult LoadProfileFile(SettingsEditor& editor, const std::filesystem::path& path) {
  platform::Ui& ui = editor.GetUi();
  const ProfileBytesResult read = ReadProfileFileAnyForm(path);
  if (!read.bytes) {
    // A missing file is the dialog's business; anything else is said (a
    // text file's fault with its line and key).
    if (platform::KindOfPath(path) != platform::FileKind::kMissing) Tell(ui, read.error, kFileErrorTitle);
    return OpenResult::kFailed;
  }
  const ProfileFileParse parsed = ParseProfileFile(*read.bytes);
  if (!parsed.file) {
    if (!parsed.message.empty()) Tell(ui, parsed.message, kFileErrorTitle);
    return OpenResult::kFailed;
  }
  const ProfileFileLoadPlan plan = PlanProfileFileLoad(*parsed.file, editor.CurrentSet());
  if (plan.prompt.empty()) return OpenResult::kIgnored;
  if (!AskYesNo(ui, plan.prompt, kFileToPcTitle)) return OpenResult::kCancelled;
  return ApplyProfileFile(editor, *parsed.file);
}

OpenResult ApplyProfileFile(SettingsEditor& editor, const ProfileFile& file) {
  const ProfileFileLoadPlan plan = PlanProfileFileLoad(file, editor.CurrentSet());
  if (plan.prompt.empty()) return OpenResult::kIgnored;
  const auto& records = file.records;
  if (plan.loadAll) {
    if (records.size() < static_cast<size_t>(kProfileCount)) return OpenResult::kFailed;
    for (int n = 1; n <= kProfileCount; ++n) {
      editor.LoadProfileIntoEditor(records[static_cast<size_t>(n - 1)], n);
    }
    return OpenResult::kLoaded;
  }
  if (records.empty() || plan.targetProfileIndex < 0 || plan.targetProfileIndex >= kProfileCount) {
    return OpenResult::kIgnored;
  }
  editor.LoadProfileIntoEditor(records.front(), plan.targetProfileIndex + 1);
  return OpenResult::kLoaded;
}

SaveResult SaveProfileFile(SettingsEditor& editor, devlink::BoardLink* link, SaveWhat what) {
  // The Debug tab has no profile of its own: there is nothing to save.
  if (what == SaveWhat::kCurrentSet && editor.CurrentSet() >= kProfileCount) {
    return SaveResult::kCancelled;
  }
  std::string title;
  if (what == SaveWhat::kCurrentSet) {
    char text[64];
    std::snprintf(text, sizeof text, "Save a Set#%d to File", editor.CurrentSet() + 1);
    title = text;
  } else {
    title = std::string(kSaveAllProfilesTitle);
  }
  auto request = ProfileDialog(platform::FileDialogMode::Save, title);
  request.owner = editor.Windows().mainWindow;
  const auto path = editor.GetUi().ChooseFile(request);
  if (!path) return SaveResult::kCancelled;
  return WriteProfileFile(editor, link, what, platform::PathFromUtf8(*path));
}

SaveResult WriteProfileFile(SettingsEditor& editor, devlink::BoardLink* link, SaveWhat what,
                            const std::filesystem::path& path) {
  platform::Ui& ui = editor.GetUi();
  if (ProfileFileExists(path)) {
    if (!AskYesNo(ui, kFileExistsPrompt, kFileExistsTitle)) return SaveResult::kCancelled;
  }
  const ProfileRecordsBytes records = editor.StoreProfiles();
  const ProfileFileInfo info = BoardInfo(link);
  std::vector<uint8_t> bytes;
  if (what == SaveWhat::kAllSets) {
    bytes = BuildAllProfilesFile(records, info);
  } else {
    auto one = BuildOneProfileFile(records, editor.CurrentSet(), info);
    if (!one) return SaveResult::kCancelled;
    bytes = std::move(*one);
  }
  // The old file goes only once the new bytes are ready; a failed write is
  // said, not swallowed.
  const std::string error = WriteProfileFileAnyForm(path, bytes);
  if (!error.empty()) {
    Tell(ui, "Profile file could not be written!\n" + error, kFileErrorTitle);
    return SaveResult::kFailed;
  }
  return SaveResult::kSaved;
}

bool ShowProfilesReport(SettingsEditor& editor, const std::filesystem::path& path) {
  const std::string text = WriteProfilesReport(editor.Tables(), CurrentUtcReportTime());
  std::string error;
  if (!SaveProfilesReport(path, text, &error)) {
    Tell(editor.GetUi(), "The profiles report could not be written:\n" + error,
         kFileErrorTitle);
    return false;
  }
  if (!OpenTextViewer(path)) {
    std::error_code ec;
    const auto shown = std::filesystem::absolute(path, ec);
    Tell(editor.GetUi(),
         "No text viewer could be started.\nThe profiles report is saved in\n" +
             platform::PathToUtf8(ec ? path : shown),
         "Profiles to Notepad");
  }
  return true;
}

bool HandleFileCommand(SettingsEditor& editor, devlink::BoardLink* link, uint16_t id) {
  switch (id) {
    case resources::menu::kOpen:
      OpenProfileFile(editor);
      return true;
    case resources::menu::kSaveSet:
      SaveProfileFile(editor, link, SaveWhat::kCurrentSet);
      return true;
    case resources::menu::kSaveAllSets:
      SaveProfileFile(editor, link, SaveWhat::kAllSets);
      return true;
    case resources::menu::kProfilesToNotepad:
      ShowProfilesReport(editor, std::filesystem::path(std::string(kProfilesReportFileName)));
      return true;
    default:
      return false;
  }
}

}  // namespace vt::profiles
