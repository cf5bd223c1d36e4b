// Lists shared by every camera: shutter times, apertures, control modes and
// the camera-independent shooting, servo and power settings.

#include "profiles/choice_lists.h"

namespace vt::profiles {
namespace {

// Eight codes make one exposure stop (56 = 1 s, 64 = 1/2 s). Times of 0.3 s
// and longer carry '"' as the seconds mark: 15" for whole seconds, 3"2 for
// 3.2 s.
constexpr ChoiceEntry kTvEntries[] = {
    {24, "15\""},    {27, "13\""},    {29, "10\""},    {32, "8\""},     {35, "6\""},
    {37, "5\""},     {40, "4\""},     {43, "3\"2"},    {45, "2\"5"},    {48, "2\""},
    {51, "1\"6"},    {53, "1\"3"},    {56, "1\""},     {59, "0\"8"},    {61, "0\"6"},
    {64, "0\"5"},    {67, "0\"4"},    {69, "0\"3"},    {72, "1/4"},     {75, "1/5"},
    {77, "1/6"},     {80, "1/8"},     {83, "1/10"},    {85, "1/13"},    {88, "1/15"},
    {91, "1/20"},    {93, "1/25"},    {96, "1/30"},    {99, "1/40"},    {101, "1/50"},
    {104, "1/60"},   {107, "1/80"},   {109, "1/100"},  {112, "1/125"},  {115, "1/160"},
    {117, "1/200"},  {120, "1/250"},  {123, "1/320"},  {125, "1/400"},  {128, "1/500"},
    {131, "1/640"},  {133, "1/800"},  {136, "1/1000"}, {139, "1/1250"}, {141, "1/1600"},
    {144, "1/2000"}, {147, "1/2500"}, {148, "1/3000"}, {149, "1/3200"}, {152, "1/4000"},
    {155, "1/5000"}, {156, "1/6000"}, {157, "1/6400"}, {160, "1/8000"}};

constexpr ChoiceEntry kAvEntries[] = {
    {16, "1.4"}, {19, "1.6"}, {21, "1.8"}, {24, "2.0"}, {27, "2.2"}, {29, "2.5"},
    {32, "2.8"}, {35, "3.2"}, {37, "3.5"}, {40, "4.0"}, {43, "4.5"}, {45, "5"},
    {48, "5.6"}, {51, "6.3"}, {53, "7.1"}, {56, "8.0"}, {59, "9.0"}, {61, "10"},
    {64, "11"},  {67, "13"},  {69, "14"},  {72, "16"},  {77, "18"},  {80, "22"}};

constexpr ChoiceEntry kModesEntries[] = {
    {1, "Manual: RC receiver (CH0=Shoot, CH1=Zoom, CH2=Alt)"},
    {2, "Manual: RC receiver (CH0=Execute, CH1=Function)"},
    {3, "Manual: RC receiver (CH0=Recording/Shoot)"},
    {4, "Manual: Rising edge sense (CH0=Shoot, CH1=Zoom+, CH2=Zoom-)"},
    {8, "Manual: By DuneCam/KAPsure (CH0=Shoot/Zoom/Set, CH1=MsgOut)"},
    {9, "Manual: RC4 at CH0 (A=ZoomOut, B=ZoomIn, C=Shoot, D=Pause)"},
    {11, "Manual: 4/8/12-Button Radio (CH0=Radio, CH1=Tilt, CH2=Pan)"},
    {15, "Manual: Switch (CH0=Shoot, CH1=Focus+, CH2=Focus-, CH3=Record)"},
    {16, "Auto: Intervalometer"},
    {18, "Auto: HoVer 'V'-pattern motion (CH0=Pan, CH1=Tilt)"},
    {20, "Auto: Panorama (CH0=Pan)"},
    {25, "Auto/RC: HoVer 'V'-pattern motion (CH0=4/8b-Radio, CH1=Tilt, CH2=Pan)"},
    {28, "Auto/RC: HoVer 'V'-pattern motion (CH0=RC-Radio, CH1=Tilt, CH2=Pan)"},
    {29, "Auto/RC: HoVer 'S'-pattern motion (CH0=Radio, CH1=Tilt, CH2=Pan)"},
    {64, "RC Receiver (PWM Signals) Tester: CH0-CH2"},
    {32, "Custom1: CH0=Shoot, CH1=Focus, CH2=Zoom"},
    {37, "Custom5: CH0=Radio, CH1=Tilt, CH2=Pan, CH3=Roll, OSD=Zoom"},
    {38, "Custom6: HoVer 'S'-pattern motion (CH0=RC-Radio, CH1=Tilt, CH2=Pan)"},
    {39, "Custom7: Manual 4/8-Button Radio (CH0=Radio)"},
    {21, "Custom8: HoVer+Manual (CH0=Radio, CH1=Tilt, CH2=Pan, CH3=Zoom)"},
    {41, "Custom9: CH0=PWM Input"},
    {50, "Development: UART Control (CH0=RXD, CH1=TXD)"},
    {42, "Development: CH0=Av lock, CH2=Av unlock, CH2=Record"},
    {40, "Development: RC Receiver (CH0=Zoom, CH1=Focus, CH2=Iris, CH3=Rec)"},
    {19, "Development: HoVer 'Z'-pattern motion (CH0=Pan, CH1=Tilt)"},
    {14, "Development: Light Sensor (CH0=LS, CH1=Tilt, CH2=Pan)"},
    {34, "Development: Servo Split (CH0=I1, CH1=I2, CH2=O1, IR=O2)"},
    {33, "Development: CH0=GPS"},
    {35, "Development: CH0=Pot:Focus, CH1=Pot:Tv, CH2=Magnification, CH3=Rec"},
    {48, "Development (Master): CH0=Radio, CH1=SyncOut, CH2=Shot, CH3=Video"},
    {49, "Development (Slave): CH2=Shot, CH3=Video"},
    {52, "Development: Internal Wifi, TCP Mode"},
    {53, "Development: Internal Wifi, UDP Mode"},
    {31, "Development: CH0=Resistors+Switches"},
    {58, "Development: Wii+DSLR"},
    {54, "Development: DV"},
    {127, "Reserved"}};

constexpr ChoiceEntry kShotsEntries[] = {
    {0, "No Limit"}, {1, "1"},       {2, "2"},       {3, "3"},       {4, "4"},
    {5, "5"},        {6, "6"},       {7, "7"},       {8, "8"},       {9, "9"},
    {10, "10"},      {11, "11"},     {12, "12"},     {13, "13"},     {14, "14"},
    {15, "15"},      {16, "16"},     {17, "17"},     {18, "18"},     {19, "19"},
    {20, "20"},      {21, "21"},     {22, "22"},     {23, "23"},     {24, "24"},
    {25, "25"},      {26, "26"},     {27, "27"},     {28, "28"},     {29, "29"},
    {30, "30"},      {50, "50"},     {70, "70"},     {100, "100"},   {200, "200"},
    {300, "300"},    {400, "400"},   {500, "500"},   {600, "600"},   {700, "700"},
    {800, "800"},    {900, "900"},   {1000, "1000"}, {10000, "10000"}};

constexpr ChoiceEntry kIntervalEntries[] = {
    {1, "Minimum"},   {5, "5 sec"},      {10, "10 sec"},     {20, "20 sec"},
    {45, "45 sec"},   {60, "1 min"},     {120, "2 min"},     {300, "5 min"},
    {600, "10 min"},  {1800, "30 min"},  {3600, "1 hour"},   {7200, "2 hours"},
    {21600, "6 hours"}, {43200, "12 hours"}};

constexpr ChoiceEntry kStartupEntries[] = {
    {0, "None"},    {1, "10 sec"},  {3, "30 sec"},  {5, "50 sec"},   {10, "1 min"},
    {20, "2 min"},  {30, "3 min"},  {40, "4 min"},  {50, "5 min"},   {70, "7 min"},
    {90, "9 min"},  {100, "10 min"}, {150, "15 min"}, {200, "20 min"}, {255, "26 min"}};

constexpr ChoiceEntry kBatteryEntries[] = {
    {0, "None"},   {33, "3.3 V"}, {34, "3.4 V"}, {35, "3.5 V"}, {36, "3.6 V"}, {37, "3.7 V"},
    {38, "3.8 V"}, {47, "4.7 V"}, {48, "4.8 V"}, {49, "4.9 V"}, {70, "7.0 V"}, {71, "7.1 V"},
    {72, "7.2 V"}, {80, "8.0 V"}, {81, "8.1 V"}, {82, "8.2 V"}, {90, "9.0 V"}};

constexpr ChoiceEntry kNShotsEntries[] = {
    {1, "1"},          {2, "2"},          {3, "3"},          {4, "4"},          {5, "5"},
    {6, "6"},          {7, "7"},          {8, "8"},          {9, "9"},          {10, "10"},
    {101, "Burst 1s"}, {102, "Burst 2s"}, {103, "Burst 3s"}, {104, "Burst 4s"}, {105, "Burst 5s"},
    {106, "Burst 6s"}, {107, "Burst 7s"}, {108, "Burst 8s"}, {109, "Burst 9s"}, {110, "Burst 10s"}};

constexpr ChoiceEntry kDelaysEntries[] = {
    {0, "None"}, {1, "0.1"}, {2, "0.2"},  {3, "0.3"},  {4, "0.4"},  {5, "0.5"},  {6, "0.6"},
    {7, "0.7"},  {8, "0.8"}, {9, "0.9"},  {10, "1"},   {15, "1.5"}, {20, "2"},   {25, "2.5"},
    {30, "3"},   {40, "4"},  {50, "5"},   {60, "6"},   {70, "7"},   {80, "8"}};

// A finger servo angle a (degrees) is stored as a + 150; 0 means none.
constexpr ChoiceEntry kAnglesEntries[] = {
    {0, "None"},  {10, "-140"}, {20, "-130"}, {30, "-120"}, {40, "-110"}, {50, "-100"},
    {60, "-90"},  {70, "-80"},  {80, "-70"},  {90, "-60"},  {100, "-50"}, {105, "-45"},
    {110, "-40"}, {115, "-35"}, {120, "-30"}, {125, "-25"}, {130, "-20"}, {135, "-15"},
    {140, "-10"}, {145, "-5"},  {150, "0"},   {155, "5"},   {160, "10"},  {165, "15"},
    {170, "20"},  {175, "25"},  {180, "30"},  {185, "35"},  {190, "40"},  {195, "45"},
    {200, "50"},  {205, "55"},  {210, "60"},  {215, "65"},  {220, "70"},  {225, "75"},
    {230, "80"},  {235, "85"},  {240, "90"},  {245, "95"},  {250, "100"}};

constexpr ChoiceEntry kPauseEntries[] = {{0, "None"},
                                         {9, "5 sec after every 3 shots"},
                                         {10, "10 sec after every 3 shots"},
                                         {26, "10 sec after every 9 shots"},
                                         {14, "30 sec after every 3 shots"},
                                         {22, "30 sec after every 6 shots"},
                                         {30, "30 sec after every 9 shots"},
                                         {129, "RC Radio"},
                                         {139, "4/8-button Radio"}};

}  // namespace

constexpr ChoiceList kTvList{"TV", "", kTvEntries};
constexpr ChoiceList kAvList{"AV", "", kAvEntries};
constexpr ChoiceList kModesList{"MODES", "", kModesEntries};
constexpr ChoiceList kShotsList{"SHOTS", "", kShotsEntries};
constexpr ChoiceList kIntervalList{"INTERVAL", "", kIntervalEntries};
constexpr ChoiceList kStartupList{"STARTUP", "", kStartupEntries};
constexpr ChoiceList kBatteryList{"BATTERY", "", kBatteryEntries};
constexpr ChoiceList kNShotsList{"NSHOTS", "", kNShotsEntries};
constexpr ChoiceList kDelaysList{"DELAYS", " s", kDelaysEntries};
constexpr ChoiceList kAnglesList{"ANGLES", "\u00B0", kAnglesEntries};
constexpr ChoiceList kPauseList{"PAUSE", "", kPauseEntries};

}  // namespace vt::profiles
