#pragma once

// The profiles text report (profiles.txt): a short summary of each set's
// camera, control method, program and control mode as the settings pages
// show them, and the helper that opens it in the user's text viewer.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profiles/profile_model.h"

namespace vt::profiles {

inline constexpr std::string_view kProfilesReportFileName = "profiles.txt";

// Calendar time printed in the report's date line (UTC).
struct ReportTime {
  int day = 1;
  int month = 1;
  int year = 1970;
  int hour = 0;
  int minute = 0;
};
ReportTime CurrentUtcReportTime();

// The report text for the seven word tables. Each selector's text is the one
// the page shows for its word (falling back to the list's first entry as the
// selector does). Reporting stops at the first set whose camera is
// "- Not Selected -".
std::string WriteProfilesReport(const WordTables& tables, const ReportTime& time);

// Replaces `path` with `text` as a whole; false (reason in *error when
// given) when it cannot be written or is a directory, FIFO or device.
bool SaveProfilesReport(const std::filesystem::path& path, std::string_view text,
                        std::string* error = nullptr);

// Where the viewer is looked for: the values of $VISUAL, $EDITOR and $PATH.
struct ViewerEnvironment {
  std::string visual;
  std::string editor;
  std::string path;
};
ViewerEnvironment CurrentViewerEnvironment();

// The command line that would open `file`: the first of $VISUAL, $EDITOR and
// xdg-open whose program is found (a name containing '/' is taken as a path,
// others are searched on PATH). Arguments in $VISUAL/$EDITOR are split at
// white space; no shell is involved. Nothing when none is found.
std::optional<std::vector<std::string>> ResolveTextViewer(const std::filesystem::path& file,
                                                          const ViewerEnvironment& env);

// Starts the viewer on `file` without waiting for it. False when no viewer
// could be started, so the caller can tell the user where the file is.
bool OpenTextViewer(const std::filesystem::path& file, const ViewerEnvironment& env);
bool OpenTextViewer(const std::filesystem::path& file);

}  // namespace vt::profiles
