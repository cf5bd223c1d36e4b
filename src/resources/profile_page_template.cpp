// The profile page (302): one per settings set, 595x217 dialog units.
//
// Four columns of group boxes. Every settings control's id is its control
// identifier (word, bits, kind), so the ids below are the binding to the
// profile word table, not arbitrary numbers.
#include "resources/colour_rule.h"
#include "resources/template_builder.h"
#include "resources/templates.h"

namespace vt::resources {

using platform::ControlClass;
using platform::ControlTemplate;
using detail::Control;
using detail::Label;
namespace st = platform::style;
namespace pp = profile_page;

namespace {

struct Row {
  const char* caption;
  uint16_t id;
};

// A column of caption + selector rows.
void SelectorRows(std::vector<ControlTemplate>& out, int x, int y, int pitch, int labelWidth,
                  int selectorX, int selectorWidth, std::initializer_list<Row> rows) {
  for (const Row& row : rows) {
    out.push_back(Label(x, y + 2, labelWidth, 9, row.caption));
    out.push_back(detail::Selector(row.id, selectorX, y, selectorWidth));
    y += pitch;
  }
}

// Caption, track bar and value label of one servo or timing word. The label
// has the track bar's identifier with the kind bits cleared.
void TrackRow(std::vector<ControlTemplate>& out, uint16_t captionId, const char* caption, int x,
              int y, int labelWidth, int trackX, int trackWidth, int valueX, uint16_t trackId) {
  out.push_back(Control(captionId, ControlClass::Static, x, y + 3, labelWidth, 9, caption));
  out.push_back(Control(trackId, ControlClass::TrackBar, trackX, y, trackWidth, 14));
  out.push_back(Control(static_cast<uint16_t>(trackId & 0x3FFF), ControlClass::Static, valueX,
                        y + 3, 28, 9, "", st::kCentre));
}

ControlTemplate Group(uint16_t id, int x, int y, int w, int h, const char* caption) {
  ControlTemplate group = Control(id, ControlClass::GroupBox, x, y, w, h, caption);
  group.colours = colours::Caption();
  return group;
}

// Value labels of the pan and tilt servo groups sit on tinted backgrounds.
void TintServoLabels(std::vector<ControlTemplate>& controls) {
  for (ControlTemplate& c : controls) {
    switch (c.id) {
      case 0x0711: case 0x0712: case 0x0721: case 0x0722:
        c.colours = colours::Background(colours::kPanLabels);
        break;
      case 0x0713: case 0x0714: case 0x0715: case 0x0716: case 0x0717: case 0x0725:
        c.colours = colours::Background(colours::kTiltLabels);
        break;
      case pp::kLedCaption:
        c.colours = colours::Background(colours::kLedCaption);
        break;
      default:
        break;
    }
  }
}

ControlTemplate Button(uint16_t id, int x, int y, int w, const char* text) {
  return Control(id, ControlClass::PushButton, x, y, w, 13, text);
}

ControlTemplate Check(uint16_t id, int x, int y, int w, const char* text) {
  return Control(id, ControlClass::CheckBox, x, y, w, 10, text);
}

}  // namespace

platform::DialogTemplate ProfilePageTemplate() {
  platform::DialogTemplate t;
  t.id = kProfilePage;
  t.font = "MS Sans Serif";
  t.fontPoint = 6;  // the main window's font: pages share its dialog units
  t.place = {0, 0, 595, 217};
  t.style = st::kChild | st::kHidden;
  auto& c = t.controls;

  // Column 1: the camera.
  c.push_back(Group(pp::kCameraGroup, 4, 2, 145, 213, "Camera Settings"));
  SelectorRows(c, 10, 13, 15, 50, 62, 82,
               {{"Camera Model", 0xC000}, {"Control Method", 0xC002}, {"Control mode", 0xC005},
                {"Program", 0xC001}, {"Focus", 0xC004}, {"Tv", 0xC006}, {"Av", 0xC007},
                {"ISO Speed", 0xC108}, {"W. Balance", 0xC00E}, {"Image Size", 0xC00F},
                {"Quality", 0xC010}});
  c.push_back(Label(10, 181, 40, 9, "Zoom"));
  c.push_back(Control(0x8009, ControlClass::TrackBar, 62, 178, 52, 14));
  c.push_back(Control(0x0009, ControlClass::Static, 116, 181, 28, 9, "", st::kCentre));

  // Column 2: timing of the shots, the finger servo, the board.
  c.push_back(Group(pp::kIntervalGroup, 151, 2, 145, 54, "Intervalometer"));
  SelectorRows(c, 157, 13, 14, 58, 219, 72,
               {{"Total Shots", 0xC00A}, {"Interval", 0xC00B}, {"Pause", 0xC026}});
  c.push_back(Group(pp::kShootingGroup, 151, 58, 145, 54, "Shooting at Step"));
  SelectorRows(c, 157, 69, 14, 58, 219, 72,
               {{"Number of shots", 0xC01B}, {"Delay before", 0xC01C}, {"Delay after", 0xC01D}});
  c.push_back(Group(pp::kFingerGroup, 151, 114, 145, 54, "'Finger' Servo"));
  SelectorRows(c, 157, 125, 14, 44, 203, 70,
               {{"Idle", 0xC018}, {"Half push", 0xC019}, {"Full push", 0xC01A}});
  for (uint16_t k = 0; k < 3; ++k) {
    c.push_back(Button(static_cast<uint16_t>(pp::kTestFingerIdle + k), 276, 125 + 14 * k, 14, "|>"));
  }
  c.push_back(Group(pp::kDeviceGroup, 151, 170, 145, 45, "Device Settings"));
  SelectorRows(c, 157, 181, 15, 80, 239, 52,
               {{"Battery cutoff voltage", 0xC01E}, {"Action startup delay", 0xC01F}});

  // Column 3: the pan servo and the profile's LED pattern.
  c.push_back(Group(pp::kPanGroup, 298, 2, 145, 96, "Pan Servo"));
  TrackRow(c, pp::kStartCaption, "Starting Position", 304, 13, 58, 362, 50, 413, 0x8721);
  TrackRow(c, platform::kUnnamedControl, "Next \xC2\xB1Position", 304, 29, 58, 362, 50, 413, 0x8711);
  TrackRow(c, platform::kUnnamedControl, "Apply time", 304, 45, 58, 362, 50, 413, 0x8712);
  TrackRow(c, platform::kUnnamedControl, "Total Steps", 304, 61, 58, 362, 50, 413, 0x8722);
  c.push_back(Check(0x500D, 304, 81, 32, "360\xC2\xB0"));
  c.push_back(Button(pp::kTestCh0, 340, 79, 34, "|> CH0"));
  c.push_back(Button(pp::kTestCh2, 378, 79, 34, "|> CH2"));
  c.push_back(Control(pp::kLedCaption, ControlClass::Static, 304, 106, 66, 10, "Profile LEDs",
                      st::kCentre));
  for (int k = 0; k < 4; ++k) {
    ControlTemplate led = Control(pp::kLedPictures[k], ControlClass::Picture, 376 + 10 * k, 107,
                                  7, 8);
    led.bitmapId = kLedDark;
    c.push_back(led);
  }

  // Column 4: the tilt servo.
  c.push_back(Group(pp::kTiltGroup, 445, 2, 145, 110, "Tilt Servo Positions"));
  static const char* const kPositions[] = {"#1", "#2", "#3", "#4", "#5"};
  for (uint16_t k = 0; k < 5; ++k) {
    const int y = 13 + 16 * k;
    TrackRow(c, platform::kUnnamedControl, kPositions[k], 451, y, 12, 465, 78, 544,
             static_cast<uint16_t>(0x8713 + k));
    c.push_back(Button(static_cast<uint16_t>(pp::kTestTilt1 + k), 574, y, 13, "|>"));
  }
  TrackRow(c, platform::kUnnamedControl, "Apply time", 451, 93, 40, 493, 50, 544, 0x8725);
  c.push_back(Control(pp::kDefaults, ControlClass::PushButton, 535, 115, 55, 14, "Defaults"));

  // Columns 3 and 4, below: options that only apply over USB/PTP, plus one
  // that waits for channel 0 whatever the control method.
  c.push_back(Group(pp::kExtraGroup, 298, 131, 292, 84, "Extra Settings (USB/PTP)"));
  c.push_back(Check(0x780D, 304, 143, 282,
                    "Full automatic shooting, ignores manual settings (lens opens only at shoot)"));
  c.push_back(Check(0x700D, 304, 157, 282,
                    "Wait Channel0 or button event before open lens (green LED blinks when "
                    "waiting)"));
  c.push_back(Check(0x680D, 304, 171, 282,
                    "Open lens only at shoot command (saves camera's battery during idle)"));
  c.push_back(Check(0x600D, 304, 185, 282,
                    "Lens and video off after 3 min idle until user involve (saves camera's "
                    "battery)"));
  c.push_back(Check(0x580D, 304, 199, 282,
                    "Liveview on LCD (disables video out in Canon PS cameras)"));
  TintServoLabels(c);
  return t;
}

}  // namespace vt::resources
