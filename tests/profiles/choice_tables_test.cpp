// The built-in lists and the camera table against their published texts.
// Expected rows are kept in the documented notation (code "text"; ...) and
// parsed here, so a typo in either place shows up as a mismatch.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "profiles/camera_models.h"
#include "profiles/choice_lists.h"

namespace vt::profiles {
namespace {

struct Expected {
  uint16_t code;
  std::string text;
};

std::vector<Expected> ParseEntries(const std::string& row) {
  std::vector<Expected> out;
  size_t pos = 0;
  while (pos < row.size()) {
    const size_t quote = row.find('"', pos);
    const size_t close = row.find("\"; ", quote + 1);
    const size_t last = close == std::string::npos ? row.rfind('"') : close;
    const std::string code = row.substr(pos, quote - pos - 1);
    out.push_back({static_cast<uint16_t>(std::stoul(code, nullptr, 0)),
                   row.substr(quote + 1, last - quote - 1)});
    pos = close == std::string::npos ? row.size() : close + 3;
  }
  return out;
}

void ExpectList(const char* name, const std::string& row) {
  SCOPED_TRACE(name);
  const ChoiceList* list = FindChoiceList(name);
  ASSERT_NE(list, nullptr);
  const std::vector<Expected> expected = ParseEntries(row);
  ASSERT_EQ(list->size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(list->entries[i].code, expected[i].code) << "entry " << i;
    EXPECT_EQ(list->entries[i].text, expected[i].text) << "entry " << i;
  }
}

TEST(ChoiceListsTest, CameraListsMatchTheirTables) {
  ExpectList("ISO-A", R"x(0xFFFF "Default"; 0 "Auto"; 64 "50"; 72 "100"; 80 "200"; 88 "400")x");
  ExpectList("ISO-B", R"x(0xFFFF "Default"; 0 "Auto"; 64 "80"; 72 "100"; 80 "200"; 88 "400")x");
  ExpectList("ISO-C", R"x(0xFFFF "Default"; 0 "Auto"; 64 "80"; 72 "100"; 80 "200"; 88 "400"; 96 "800"; 104 "1600"; 112 "3200")x");
  ExpectList("PRG-A", R"x(1 "Auto"; 2 "Shutter priority"; 3 "Aperture priority"; 4 "'M' settings (Set on field)"; 255 "Velotrack settings")x");
  ExpectList("PRG-B", R"x(1 "Auto"; 2 "Shutter priority"; 3 "Aperture priority"; 255 "Velotrack settings")x");
  ExpectList("PRG-C", R"x(1 "Auto")x");
  ExpectList("PRG-D", R"x(0 "Program AE"; 1 "Shutter priority"; 2 "Aperture priority"; 3 "'M' settings (Set on field)"; 4 "Bulb"; 255 "Velotrack settings")x");
  ExpectList("FOC-A", R"x(0xFFFF "At shoot"; 1 "Re-focus and lock it at 1st shoot"; 4 "Re-focus and lock it at 4th shoot"; 8 "Re-focus and lock it at every 8th shoot"; 32 "Re-focus/lock controllable by Channel0 (pulse width sense only)")x");
  ExpectList("FOC-B", R"x(0 "AF not in use (shoot faster)"; 5 "AF is in use (focus time 500ms)"; 10 "AF is in use (focus time 1s)"; 25 "AF is in use (focus time 2.5s)"; 30 "AF is in use (focus time 3.0s)"; 35 "AF is in use (focus time 3.5s)"; 40 "AF is in use (focus time 4.0s)")x");
  ExpectList("ZM-A", R"x(0 "0"; 1 "1.2"; 2 "1.5"; 3 "2"; 4 "2.3"; 5 "3"; 6 "3.2"; 7 "4.0")x");
  ExpectList("ZM-B", R"x(0 "0"; 1 "1.2"; 2 "1.5"; 3 "2"; 4 "2.3"; 5 "3"; 6 "3.2"; 7 "4"; 8 "4.5"; 9 "5"; 10 "5.5"; 11 "6")x");
  ExpectList("ZM-C", R"x(0 "0"; 1 "1.2"; 2 "1.5"; 3 "2"; 4 "2.3"; 5 "3"; 6 "3.2"; 7 "4"; 8 "4.5"; 9 "5"; 10 "5.5"; 11 "6"; 22 "12")x");
  ExpectList("ZM-D", R"x(0 "0"; 1 "1.2"; 2 "1.5"; 3 "2"; 4 "2.3"; 5 "3"; 6 "3.5")x");
  ExpectList("ZM-E", R"x(0 "0"; 1 "1.2"; 2 "1.5"; 3 "2"; 4 "2.3"; 5 "3"; 6 "3.2"; 7 "4"; 8 "4.5"; 9 "5"; 10 "5.5"; 11 "6"; 18 "10")x");
  ExpectList("CM-1", R"x(1 "USB/PTP"; 3 "Servo:CH2"; 9 "Servo:CH3")x");
  ExpectList("CM-2", R"x(1 "USB/PTP"; 2 "IR"; 3 "Servo:CH2"; 9 "Servo:CH3")x");
  ExpectList("CM-3", R"x(1 "USB/PTP"; 3 "Servo:CH2"; 9 "Servo:CH3"; 4 "USB/CHDK"; 10 "USB/CHDK+")x");
  ExpectList("CM-4", R"x(4 "USB/CHDK"; 10 "USB/CHDK+")x");
  ExpectList("CM-5", R"x(2 "IR"; 3 "Servo:CH2"; 9 "Servo:CH3")x");
  ExpectList("CM-6", R"x(5 "USB/CA1"; 11 "USB/CA1+V"; 3 "Servo:CH2"; 9 "Servo:CH3")x");
  ExpectList("CM-7", R"x(1 "USB/PTP"; 6 "PORT/E3"; 8 "PORT/E3A"; 2 "IR"; 3 "Servo:CH2"; 9 "Servo:CH3")x");
  ExpectList("CM-8", R"x(7 "PORT/VT")x");
  ExpectList("CM-9", R"x(6 "PORT/E3"; 8 "PORT/E3A")x");
  ExpectList("CM-10", R"x(1 "USB/PTP"; 2 "IR"; 3 "Servo:CH2"; 9 "Servo:CH3"; 4 "USB/CHDK"; 10 "USB/CHDK+"; 5 "USB/CA1"; 6 "PORT/E3"; 8 "PORT/E3A"; 7 "PORT/VT")x");
  ExpectList("CM-11", R"x(1 "USB/PTP"; 3 "Servo:CH2"; 9 "Servo:CH3"; 4 "USB/CHDK")x");
  ExpectList("CM-12", R"x(1 "USB/PTP"; 3 "Servo:CH2"; 9 "Servo:CH3"; 6 "PORT/E3"; 8 "PORT/E3A")x");
  ExpectList("CM-13", R"x(3 "Servo:CH2"; 9 "Servo:CH3")x");
  ExpectList("WB-A", R"x(0xFFFF "Default"; 0 "Auto"; 1 "Daylight"; 2 "Cloudy"; 3 "Tungsten"; 4 "Fluorescent"; 7 "Fluorescent H"; 6 "Custom")x");
  ExpectList("WB-B", R"x(0xFFFF "Default"; 0 "AWB"; 1 "Daylight"; 8 "Shadow"; 2 "Cloudy"; 3 "Tungsten"; 4 "Fluorescent"; 5 "Flash"; 6 "Center"; 9 "Custom")x");
  ExpectList("SIZE-A", R"x(0xFFFF "Default"; 0 "Large"; 1 "Medium1"; 3 "Medium2"; 7 "Medium3"; 2 "Small")x");
  ExpectList("SIZE-B", R"x(0xFFFF "Default"; 12352 "L+RAW"; 64 "RAW"; 48 "L/Fine"; 32 "L/Normal"; 49 "M/Fine"; 33 "M/Normal"; 50 "S/Fine"; 34 "S/Normal")x");
  ExpectList("Q-A", R"x(0xFFFF "Default"; 5 "Superfine"; 3 "Fine"; 2 "Normal")x");
  ExpectList("Q-B", R"x(0xFFFF "Default"; 5 "Superfine"; 3 "Fine"; 2 "Normal"; 4 "RAW")x");
}

TEST(ChoiceListsTest, SharedListsMatchTheirTables) {
  ExpectList("AV", R"x(16 "1.4"; 19 "1.6"; 21 "1.8"; 24 "2.0"; 27 "2.2"; 29 "2.5"; 32 "2.8"; 35 "3.2"; 37 "3.5"; 40 "4.0"; 43 "4.5"; 45 "5"; 48 "5.6"; 51 "6.3"; 53 "7.1"; 56 "8.0"; 59 "9.0"; 61 "10"; 64 "11"; 67 "13"; 69 "14"; 72 "16"; 77 "18"; 80 "22")x");
  ExpectList("SHOTS", R"x(0 "No Limit"; 1 "1"; 2 "2"; 3 "3"; 4 "4"; 5 "5"; 6 "6"; 7 "7"; 8 "8"; 9 "9"; 10 "10"; 11 "11"; 12 "12"; 13 "13"; 14 "14"; 15 "15"; 16 "16"; 17 "17"; 18 "18"; 19 "19"; 20 "20"; 21 "21"; 22 "22"; 23 "23"; 24 "24"; 25 "25"; 26 "26"; 27 "27"; 28 "28"; 29 "29"; 30 "30"; 50 "50"; 70 "70"; 100 "100"; 200 "200"; 300 "300"; 400 "400"; 500 "500"; 600 "600"; 700 "700"; 800 "800"; 900 "900"; 1000 "1000"; 10000 "10000")x");
  ExpectList("INTERVAL", R"x(1 "Minimum"; 5 "5 sec"; 10 "10 sec"; 20 "20 sec"; 45 "45 sec"; 60 "1 min"; 120 "2 min"; 300 "5 min"; 600 "10 min"; 1800 "30 min"; 3600 "1 hour"; 7200 "2 hours"; 21600 "6 hours"; 43200 "12 hours")x");
  ExpectList("STARTUP", R"x(0 "None"; 1 "10 sec"; 3 "30 sec"; 5 "50 sec"; 10 "1 min"; 20 "2 min"; 30 "3 min"; 40 "4 min"; 50 "5 min"; 70 "7 min"; 90 "9 min"; 100 "10 min"; 150 "15 min"; 200 "20 min"; 255 "26 min")x");
  ExpectList("BATTERY", R"x(0 "None"; 33 "3.3 V"; 34 "3.4 V"; 35 "3.5 V"; 36 "3.6 V"; 37 "3.7 V"; 38 "3.8 V"; 47 "4.7 V"; 48 "4.8 V"; 49 "4.9 V"; 70 "7.0 V"; 71 "7.1 V"; 72 "7.2 V"; 80 "8.0 V"; 81 "8.1 V"; 82 "8.2 V"; 90 "9.0 V")x");
  ExpectList("NSHOTS", R"x(1 "1"; 2 "2"; 3 "3"; 4 "4"; 5 "5"; 6 "6"; 7 "7"; 8 "8"; 9 "9"; 10 "10"; 101 "Burst 1s"; 102 "Burst 2s"; 103 "Burst 3s"; 104 "Burst 4s"; 105 "Burst 5s"; 106 "Burst 6s"; 107 "Burst 7s"; 108 "Burst 8s"; 109 "Burst 9s"; 110 "Burst 10s")x");
  ExpectList("DELAYS", R"x(0 "None"; 1 "0.1"; 2 "0.2"; 3 "0.3"; 4 "0.4"; 5 "0.5"; 6 "0.6"; 7 "0.7"; 8 "0.8"; 9 "0.9"; 10 "1"; 15 "1.5"; 20 "2"; 25 "2.5"; 30 "3"; 40 "4"; 50 "5"; 60 "6"; 70 "7"; 80 "8")x");
  ExpectList("ANGLES", R"x(0 "None"; 10 "-140"; 20 "-130"; 30 "-120"; 40 "-110"; 50 "-100"; 60 "-90"; 70 "-80"; 80 "-70"; 90 "-60"; 100 "-50"; 105 "-45"; 110 "-40"; 115 "-35"; 120 "-30"; 125 "-25"; 130 "-20"; 135 "-15"; 140 "-10"; 145 "-5"; 150 "0"; 155 "5"; 160 "10"; 165 "15"; 170 "20"; 175 "25"; 180 "30"; 185 "35"; 190 "40"; 195 "45"; 200 "50"; 205 "55"; 210 "60"; 215 "65"; 220 "70"; 225 "75"; 230 "80"; 235 "85"; 240 "90"; 245 "95"; 250 "100")x");
  ExpectList("PAUSE", R"x(0 "None"; 9 "5 sec after every 3 shots"; 10 "10 sec after every 3 shots"; 26 "10 sec after every 9 shots"; 14 "30 sec after every 3 shots"; 22 "30 sec after every 6 shots"; 30 "30 sec after every 9 shots"; 129 "RC Radio"; 139 "4/8-button Radio")x");
}

TEST(ChoiceListsTest, ControlModesInListOrder) {
  ExpectList("MODES",
             R"x(1 "Manual: RC receiver (CH0=Shoot, CH1=Zoom, CH2=Alt)"; 2 "Manual: RC receiver (CH0=Execute, CH1=Function)"; 3 "Manual: RC receiver (CH0=Recording/Shoot)"; 4 "Manual: Rising edge sense (CH0=Shoot, CH1=Zoom+, CH2=Zoom-)"; 8 "Manual: By DuneCam/KAPsure (CH0=Shoot/Zoom/Set, CH1=MsgOut)"; 9 "Manual: RC4 at CH0 (A=ZoomOut, B=ZoomIn, C=Shoot, D=Pause)"; 11 "Manual: 4/8/12-Button Radio (CH0=Radio, CH1=Tilt, CH2=Pan)"; 15 "Manual: Switch (CH0=Shoot, CH1=Focus+, CH2=Focus-, CH3=Record)"; 16 "Auto: Intervalometer"; 18 "Auto: HoVer 'V'-pattern motion (CH0=Pan, CH1=Tilt)"; 20 "Auto: Panorama (CH0=Pan)"; 25 "Auto/RC: HoVer 'V'-pattern motion (CH0=4/8b-Radio, CH1=Tilt, CH2=Pan)"; 28 "Auto/RC: HoVer 'V'-pattern motion (CH0=RC-Radio, CH1=Tilt, CH2=Pan)"; 29 "Auto/RC: HoVer 'S'-pattern motion (CH0=Radio, CH1=Tilt, CH2=Pan)"; 64 "RC Receiver (PWM Signals) Tester: CH0-CH2"; 32 "Custom1: CH0=Shoot, CH1=Focus, CH2=Zoom"; 37 "Custom5: CH0=Radio, CH1=Tilt, CH2=Pan, CH3=Roll, OSD=Zoom"; 38 "Custom6: HoVer 'S'-pattern motion (CH0=RC-Radio, CH1=Tilt, CH2=Pan)"; 39 "Custom7: Manual 4/8-Button Radio (CH0=Radio)"; 21 "Custom8: HoVer+Manual (CH0=Radio, CH1=Tilt, CH2=Pan, CH3=Zoom)"; 41 "Custom9: CH0=PWM Input"; 50 "Development: UART Control (CH0=RXD, CH1=TXD)"; 42 "Development: CH0=Av lock, CH2=Av unlock, CH2=Record"; 40 "Development: RC Receiver (CH0=Zoom, CH1=Focus, CH2=Iris, CH3=Rec)"; 19 "Development: HoVer 'Z'-pattern motion (CH0=Pan, CH1=Tilt)"; 14 "Development: Light Sensor (CH0=LS, CH1=Tilt, CH2=Pan)"; 34 "Development: Servo Split (CH0=I1, CH1=I2, CH2=O1, IR=O2)"; 33 "Development: CH0=GPS"; 35 "Development: CH0=Pot:Focus, CH1=Pot:Tv, CH2=Magnification, CH3=Rec"; 48 "Development (Master): CH0=Radio, CH1=SyncOut, CH2=Shot, CH3=Video"; 49 "Development (Slave): CH2=Shot, CH3=Video"; 52 "Development: Internal Wifi, TCP Mode"; 53 "Development: Internal Wifi, UDP Mode"; 31 "Development: CH0=Resistors+Switches"; 58 "Development: Wii+DSLR"; 54 "Development: DV"; 127 "Reserved")x");
}

// Shutter times: 0.3 s and longer use '"' as the seconds mark (15", 3"2),
// shorter ones are fractions.
TEST(ChoiceListsTest, ShutterTimesAreWrittenWithTheSecondsMark) {
  struct Long {
    uint16_t code;
    int tenths;
  };
  const Long longTimes[] = {{24, 150}, {27, 130}, {29, 100}, {32, 80}, {35, 60}, {37, 50},
                            {40, 40},  {43, 32},  {45, 25},  {48, 20}, {51, 16}, {53, 13},
                            {56, 10},  {59, 8},   {61, 6},   {64, 5},  {67, 4},  {69, 3}};
  const std::pair<uint16_t, int> fractions[] = {
      {72, 4},     {75, 5},     {77, 6},     {80, 8},     {83, 10},    {85, 13},
      {88, 15},    {91, 20},    {93, 25},    {96, 30},    {99, 40},    {101, 50},
      {104, 60},   {107, 80},   {109, 100},  {112, 125},  {115, 160},  {117, 200},
      {120, 250},  {123, 320},  {125, 400},  {128, 500},  {131, 640},  {133, 800},
      {136, 1000}, {139, 1250}, {141, 1600}, {144, 2000}, {147, 2500}, {148, 3000},
      {149, 3200}, {152, 4000}, {155, 5000}, {156, 6000}, {157, 6400}, {160, 8000}};
  std::vector<Expected> expected;
  for (const Long& t : longTimes) {
    std::string text = std::to_string(t.tenths / 10) + "\"";
    if (t.tenths % 10 != 0) text += std::to_string(t.tenths % 10);
    expected.push_back({t.code, text});
  }
  for (const auto& [code, denominator] : fractions) {
    expected.push_back({code, "1/" + std::to_string(denominator)});
  }
  ASSERT_EQ(kTvList.size(), 54u);
  ASSERT_EQ(expected.size(), 54u);
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(kTvList.entries[i].code, expected[i].code) << i;
    EXPECT_EQ(kTvList.entries[i].text, expected[i].text) << i;
  }
}

TEST(ChoiceListsTest, SuffixGoesOnlyAfterTextsStartingWithDigitsOrPunctuation) {
  EXPECT_EQ(ShownChoiceText("-140", kAnglesList.suffix), "-140\u00B0");
  EXPECT_EQ(ShownChoiceText("0", kAnglesList.suffix), "0\u00B0");
  EXPECT_EQ(ShownChoiceText("None", kAnglesList.suffix), "None");
  EXPECT_EQ(ShownChoiceText("0.5", kDelaysList.suffix), "0.5 s");
  EXPECT_EQ(ShownChoiceText("None", kDelaysList.suffix), "None");
  EXPECT_EQ(ShownChoiceText("@", " s"), "@ s");   // 0x40 still takes it
  EXPECT_EQ(ShownChoiceText("A", " s"), "A");
  // The other lists carry no suffix.
  for (const ChoiceList* list : AllChoiceLists()) {
    if (list != &kAnglesList && list != &kDelaysList) {
      EXPECT_TRUE(list->suffix.empty()) << list->name;
    }
  }
}

TEST(ChoiceListsTest, SelectedTextFallsBackToTheFirstEntry) {
  EXPECT_EQ(SelectedChoiceText(&kControlMethod5, 2), "IR");
  EXPECT_EQ(SelectedChoiceText(&kControlMethod5, 1), "IR");  // not in the list
  EXPECT_EQ(SelectedChoiceText(&kModesList, 29),
            "Auto/RC: HoVer 'S'-pattern motion (CH0=Radio, CH1=Tilt, CH2=Pan)");
  EXPECT_EQ(SelectedChoiceText(nullptr, 1), "");
  EXPECT_EQ(FindChoiceList("NOPE"), nullptr);
}

// Code, name and the list names of ISO, program, Tv, Av, focus, zoom, control
// method, control mode, WB, image size and quality ("-" = none).
struct CameraRow {
  int code;
  const char* name;
  const char* lists;
};
constexpr CameraRow kCameraRows[] = {
    {-1, "- Not Selected -", "- - - - - - - - - - -"},
    {-2, "Auto Detect (PTP cameras only)", "- - - - - - CM-1 MODES - - -"},
    {-3, "Any (Uses servo control only)", "- - - - - - CM-13 MODES - - -"},
    {-4, "Any (CHDK Compatible)", "- - - - - - CM-4 MODES - - -"},
    {-5, "Any (Remote Port Compatible)", "- - - - - - CM-9 MODES - - -"},
    {16385, "Canon PowerShot (Common)", "ISO-A PRG-A TV AV FOC-A ZM-A CM-1 MODES WB-A SIZE-A Q-A"},
    {16386, "Canon PowerShot G5/G6", "ISO-A PRG-A TV AV FOC-A ZM-A CM-2 MODES WB-A SIZE-A Q-B"},
    {16387, "Canon PowerShot G7", "ISO-B PRG-A TV AV FOC-A ZM-B CM-3 MODES WB-A SIZE-A Q-A"},
    {16388, "Canon PowerShot G9", "ISO-B PRG-A TV AV FOC-A ZM-B CM-11 MODES WB-A SIZE-A Q-B"},
    {16389, "Canon PowerShot G10", "ISO-B PRG-A TV AV FOC-A ZM-B CM-12 MODES WB-A SIZE-A Q-B"},
    {16401, "Canon PowerShot A70", "ISO-A PRG-B TV AV FOC-A ZM-A CM-1 MODES WB-A SIZE-A Q-A"},
    {16403, "Canon PowerShot A310", "ISO-A PRG-C - - - - CM-1 MODES WB-A SIZE-A Q-A"},
    {16406, "Canon PowerShot A510/A520", "ISO-A PRG-B TV AV FOC-A ZM-A CM-1 MODES WB-A SIZE-A Q-A"},
    {16407, "Canon PowerShot A620", "ISO-B PRG-A TV AV FOC-A ZM-A CM-3 MODES WB-A SIZE-A Q-A"},
    {16408, "Canon PowerShot A640", "ISO-B PRG-A TV AV FOC-A ZM-A CM-3 MODES WB-A SIZE-A Q-A"},
    {16418, "Canon PowerShot S1/S2/S3/S5", "ISO-B PRG-A TV AV FOC-A ZM-C CM-3 MODES WB-A SIZE-A Q-A"},
    {16420, "Canon PowerShot S60/70/80", "ISO-A PRG-A TV AV FOC-A ZM-D CM-2 MODES WB-A SIZE-A Q-B"},
    {16424, "Canon PowerShot SX100", "ISO-B PRG-A TV AV FOC-A ZM-E CM-3 MODES WB-A SIZE-A Q-A"},
    {-32726, "Canon EOS-Series (beta)", "ISO-C PRG-D TV AV FOC-B - CM-7 MODES WB-B SIZE-B -"},
    {813, "Any Canon with IR", "- - - - - ZM-A CM-5 MODES - - -"},
    {558, "Canon Camcorder", "- - - - - ZM-A CM-5 MODES - - -"},
    {4400, "Sony Camcorder (Still Mode)", "- - - - - ZM-A CM-5 MODES - - -"},
    {4401, "Sony Camcorder (Record Mode)", "- - - - - ZM-A CM-5 MODES - - -"},
    {4403, "Sony Camcorder (Record/Still)", "- - - - - ZM-A CM-5 MODES - - -"},
    {4146, "Sony/Minolta/Konica with IR", "- - - - - ZM-A CM-5 MODES - - -"},
    {2356, "Nikon PTP & IR (Beta)", "- - - - - - CM-2 MODES - - -"},
    {2357, "Nikon Coolpix (experimental)", "- - - - - - CM-2 MODES - - -"},
    {3128, "Olympus with IR", "- - - - - ZM-A CM-5 MODES - - -"},
    {6208, "Pentax with IR", "- - - - - ZM-A CM-5 MODES - - -"},
    {6978, "Panasonic Video", "- - - - - ZM-A CM-5 MODES - - -"},
    {6982, "Panasonic Pro Video (BETA)", "- - - - - - CM-8 MODES - - -"},
    {7752, "Ricoh GX100/200", "- - - - - ZM-A CM-6 MODES - - -"},
    {8012, "Sanyo Xacti (Photo Mode)", "- - - - - - CM-5 MODES - - -"},
    {8013, "Sanyo Xacti (Video Mode)", "- - - - - - CM-5 MODES - - -"},
    {8269, "JVC Camcorders", "- - - - - - CM-5 MODES - - -"},
    {74, "Troubleshooter1", "- - - - - ZM-A CM-10 MODES - - -"},
};

std::string ListName(const ChoiceList* list) { return list ? std::string(list->name) : "-"; }

TEST(CameraModelsTest, TableMatchesRowForRow) {
  const auto cameras = CameraModels();
  ASSERT_EQ(cameras.size(), std::size(kCameraRows));
  for (size_t i = 0; i < cameras.size(); ++i) {
    const CameraModel& c = cameras[i];
    SCOPED_TRACE(kCameraRows[i].name);
    EXPECT_EQ(c.code, kCameraRows[i].code);
    EXPECT_EQ(c.name, kCameraRows[i].name);
    EXPECT_LE(c.name.size(), 37u);
    const std::string lists = ListName(c.iso) + " " + ListName(c.program) + " " + ListName(c.tv) +
                              " " + ListName(c.av) + " " + ListName(c.focus) + " " +
                              ListName(c.zoom) + " " + ListName(c.controlMethod) + " " +
                              ListName(c.controlMode) + " " + ListName(c.whiteBalance) + " " +
                              ListName(c.imageSize) + " " + ListName(c.quality);
    EXPECT_EQ(lists, kCameraRows[i].lists);
    EXPECT_EQ(CameraIndexOfCode(c.code), i);  // codes are unique
  }
}

TEST(CameraModelsTest, UnknownCodesFallBackToNotSelected) {
  EXPECT_EQ(CameraIndexOfCode(0), 0u);
  EXPECT_EQ(CameraIndexOfCode(12345), 0u);
  EXPECT_EQ(CameraOfCode(static_cast<int16_t>(0x802A)).name, "Canon EOS-Series (beta)");
}

TEST(CameraModelsTest, ZoomPositionsAndCodes) {
  // The S-series list skips from 6x (code 11) to 12x (code 22).
  EXPECT_EQ(ZoomPositionOfCode(&kZoomC, 22), 12u);
  EXPECT_EQ(ZoomCodeOfPosition(&kZoomC, 12), 22);
  EXPECT_EQ(ZoomPositionOfCode(&kZoomC, 15), 0u);   // code not in the list
  EXPECT_EQ(ZoomPositionOfCode(nullptr, 3), 0u);
  EXPECT_EQ(ZoomCodeOfPosition(&kZoomC, 13), 0);    // past the end
  EXPECT_EQ(ZoomCodeOfPosition(nullptr, 0), 0);
  EXPECT_EQ(ZoomCodeOfPosition(&kZoomE, 12), 18);
}

}  // namespace
}  // namespace vt::profiles
