#include "profiles/profiles_report.h"

#include <chrono>
#include <cstdio>
#include <system_error>

#include "platform/file_io.h"
#include "profiles/camera_models.h"
#include "profiles/choice_lists.h"

namespace vt::profiles {
namespace {

// Selector texts are taken as the page shows them, at most 255 characters.
constexpr size_t kMaxShownText = 255;

std::string_view Clip(std::string_view text) { return text.substr(0, kMaxShownText); }

void AppendLine(std::string& out, std::string_view label, std::string_view text) {
  out += label;
  out += Clip(text);
  out += '\n';
}

}  // namespace

ReportTime CurrentUtcReportTime() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const auto day = floor<days>(now);
  const year_month_day ymd{day};
  const hh_mm_ss hms{floor<minutes>(now - day)};
  ReportTime t;
  t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  t.year = static_cast<int>(ymd.year());
  t.hour = static_cast<int>(hms.hours().count());
  t.minute = static_cast<int>(hms.minutes().count());
  return t;
}

std::string WriteProfilesReport(const WordTables& tables, const ReportTime& time) {
  std::string out = "\n";
  char line[96];
  std::snprintf(line, sizeof line, "Date: %d/%d/%d, Time: %d:%d\n", time.day, time.month,
                time.year, time.hour, time.minute);
  out += line;
  out += '\n';

  for (int n = 1; n <= kProfileCount; ++n) {
    const WordTable& words = tables[static_cast<size_t>(n - 1)];
    const CameraModel& camera = CameraOfCode(static_cast<int16_t>(words[word::kCamera]));
    if (camera.name.starts_with('-')) break;  // first "- Not Selected -" ends the report

    std::snprintf(line, sizeof line, "Set #%d: ", n);
    out += line;
    out += LedLineText(n);
    out += "\n\n";
    AppendLine(out, "Camera: ", camera.name);
    const std::string_view method =
        Clip(SelectedChoiceText(camera.controlMethod, words[word::kControlMethod]));
    AppendLine(out, "Control Method: ", method);
    // The program only applies to cameras driven over USB/PTP.
    if (method.size() > 4 && method[4] == 'P') {
      AppendLine(out, "Program: ", SelectedChoiceText(camera.program, words[word::kProgram]));
    }
    AppendLine(out, "Control Mode: ",
               SelectedChoiceText(camera.controlMode, words[word::kControlMode]));
    out += "\n\n";
  }
  return out;
}

bool SaveProfilesReport(const std::filesystem::path& path, std::string_view text,
                        std::string* error) {
  const auto written = platform::WriteFileAtomically(path, text);
  if (!written.ok() && error != nullptr) *error = written.message;
  return written.ok();
}

}  // namespace vt::profiles
