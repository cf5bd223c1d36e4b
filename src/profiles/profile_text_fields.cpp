#include "profiles/profile_text_fields.h"

#include "profiles/profile_model.h"
#include "profiles/value_labels.h"

namespace vt::profiles {
namespace {

using K = TextFieldKind;
using CM = CameraModel;

constexpr TextField kFields[] = {
    {"camera_model", K::kCamera, 4, 2, word::kCamera},
    {"control_method", K::kCameraList, 6, 2, word::kControlMethod, nullptr, &CM::controlMethod},
    {"control_mode", K::kCameraList, 8, 2, word::kControlMode, nullptr, &CM::controlMode},
    {"program", K::kCameraList, 14, 2, word::kProgram, nullptr, &CM::program},
    {"focus", K::kCameraList, 20, 2, word::kFocus, nullptr, &CM::focus},
    {"tv", K::kCameraList, 16, 2, word::kTv, nullptr, &CM::tv},
    {"av", K::kCameraList, 18, 2, word::kAv, nullptr, &CM::av},
    {"iso_speed", K::kCameraList, 12, 2, word::kIso, nullptr, &CM::iso},
    {"white_balance", K::kCameraList, 34, 2, word::kWhiteBalance, nullptr, &CM::whiteBalance},
    {"image_size", K::kCameraList, 24, 2, word::kImageSize, nullptr, &CM::imageSize},
    {"quality", K::kCameraList, 26, 2, word::kQuality, nullptr, &CM::quality},
    {"zoom", K::kZoom, 22, 2, word::kZoom},
    {"total_shots", K::kFixedList, 28, 2, word::kTotalShots, &kShotsList},
    {"interval", K::kFixedList, 30, 2, word::kInterval, &kIntervalList},
    {"pause", K::kFixedList, 54, 1, word::kPause, &kPauseList},
    {"number_of_shots", K::kFixedList, 45, 1, word::kShotsAtStop, &kNShotsList},
    {"delay_before", K::kFixedList, 46, 1, word::kDelayBefore, &kDelaysList},
    {"delay_after", K::kFixedList, 47, 1, word::kDelayAfter, &kDelaysList},
    {"finger_idle", K::kFixedList, 42, 1, word::kFingerIdle, &kAnglesList},
    {"finger_half_push", K::kFixedList, 43, 1, word::kFingerHalfPush, &kAnglesList},
    {"finger_full_push", K::kFixedList, 44, 1, word::kFingerFullPush, &kAnglesList},
    {"battery_cutoff_voltage", K::kFixedList, 48, 1, word::kBatteryCutoff, &kBatteryList},
    {"action_startup_delay", K::kFixedList, 49, 1, word::kStartupDelay, &kStartupList},
    {"pan_starting_position", K::kServo, 52, 1, word::kPanStartPosition},
    {"pan_next_position", K::kServo, 36, 1, word::kPanNextPosition},
    {"pan_apply_time", K::kServo, 37, 1, word::kPanApplyTime},
    {"pan_total_steps", K::kServo, 53, 1, word::kPanTotalSteps},
    {"tilt_1", K::kServo, 38, 1, 19},
    {"tilt_2", K::kServo, 39, 1, 20},
    {"tilt_3", K::kServo, 40, 1, 21},
    {"tilt_4", K::kServo, 41, 1, 22},
    {"tilt_5", K::kServo, 50, 1, word::kTiltPosition5},
    {"tilt_apply_time", K::kServo, 51, 1, word::kTiltApplyTime},
    {"pan_360", K::kOptionBit, 32, 2, word::kOptions, nullptr, nullptr, 2},
    {"liveview_on_lcd", K::kOptionBit, 32, 2, word::kOptions, nullptr, nullptr, 3},
    {"lens_and_video_off_after_idle", K::kOptionBit, 32, 2, word::kOptions, nullptr, nullptr, 4},
    {"open_lens_only_at_shoot", K::kOptionBit, 32, 2, word::kOptions, nullptr, nullptr, 5},
    {"wait_channel0_before_open_lens", K::kOptionBit, 32, 2, word::kOptions, nullptr, nullptr, 6},
    {"full_automatic_shooting", K::kOptionBit, 32, 2, word::kOptions, nullptr, nullptr, 7},
};

// The text one list entry is shown with.
std::string EntryText(const TextField& f, const ChoiceList& list, const ChoiceEntry& e) {
  if (f.kind == K::kZoom) return ZoomLabel(std::string(e.text));
  return ShownChoiceText(e.text, list.suffix);
}

std::string ServoText(const TextField& f, uint16_t v, const TextContext& c) {
  return ServoWordLabel(f.word, v, c.degrees, c.controlMode);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

const ChoiceList* ListOf(const TextField& f, const TextContext& c) {
  if (f.kind == K::kFixedList) return f.list;
  const CameraModel& camera = CameraOfCode(static_cast<int16_t>(c.camera));
  if (f.kind == K::kZoom) return camera.zoom;
  if (f.kind == K::kCameraList) return camera.*(f.cameraList);
  return nullptr;
}

std::span<const TextField> TextFields() { return kFields; }

const TextField* FindTextField(std::string_view key) {
  for (const TextField& f : kFields) {
    if (f.key == key) return &f;
  }
  return nullptr;
}

std::optional<uint16_t> ValueOfText(const TextField& f, std::string_view text, const TextContext& c) {
  switch (f.kind) {
    case K::kCamera:
      for (const CameraModel& m : CameraModels()) {
        if (m.name == text) return static_cast<uint16_t>(m.code);
      }
      return std::nullopt;
    case K::kCameraList:
    case K::kFixedList:
    case K::kZoom: {
      const ChoiceList* list = ListOf(f, c);
      if (list == nullptr) return std::nullopt;
      for (const ChoiceEntry& e : list->entries) {
        if (EntryText(f, *list, e) == text) return e.code;
      }
      return std::nullopt;
    }
    case K::kServo:
      if (MaxRawValue(f) == 0xFF) return ServoWordByteOfLabel(f.word, text, c.degrees, c.controlMode);
      for (uint32_t v = 0; v <= MaxRawValue(f); ++v) {
        if (ServoText(f, static_cast<uint16_t>(v), c) == text) return static_cast<uint16_t>(v);
      }
      return std::nullopt;
    case K::kOptionBit:
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<std::string> ValueText(const TextField& f, uint16_t value, const TextContext& c) {
  std::string text;
  switch (f.kind) {
    case K::kCamera: {
      const CameraModel& m = CameraOfCode(static_cast<int16_t>(value));
      if (static_cast<uint16_t>(m.code) != value) return std::nullopt;
      text = std::string(m.name);
      break;
    }
    case K::kCameraList:
    case K::kFixedList:
    case K::kZoom: {
      const ChoiceList* list = ListOf(f, c);
      const auto at = FindChoiceCode(list, value);
      if (!at) return std::nullopt;
      text = EntryText(f, *list, list->entries[*at]);
      break;
    }
    case K::kServo:
      if (value > MaxRawValue(f)) return std::nullopt;
      text = ServoText(f, value, c);
      break;
    case K::kOptionBit:
      return std::nullopt;
  }
  // Only a text that reads back as this very value stands for it.
  const auto back = ValueOfText(f, text, c);
  if (!back || *back != value) return std::nullopt;
  return text;
}

std::string AllowedTexts(const TextField& f, const TextContext& c) {
  std::string out;
  auto add = [&out](const std::string& text) { out += (out.empty() ? "" : ", ") + Quoted(text); };
  switch (f.kind) {
    case K::kCamera:
      for (const CameraModel& m : CameraModels()) add(std::string(m.name));
      break;
    case K::kCameraList:
    case K::kFixedList:
    case K::kZoom: {
      const ChoiceList* list = ListOf(f, c);
      if (list == nullptr) return "none for this camera model (only a raw number 0.." +
                                  std::to_string(MaxRawValue(f)) + ")";
      for (const ChoiceEntry& e : list->entries) add(EntryText(f, *list, e));
      break;
    }
    case K::kServo:
      return "the texts the page shows, " + Quoted(ServoText(f, 0, c)) + " to " +
             Quoted(ServoText(f, static_cast<uint16_t>(MaxRawValue(f)), c)) + ", or a raw number 0.." +
             std::to_string(MaxRawValue(f));
    case K::kOptionBit:
      return "true, false";
  }
  return out + ", or a raw number 0.." + std::to_string(MaxRawValue(f));
}

}  // namespace vt::profiles
