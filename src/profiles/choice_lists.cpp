#include "profiles/choice_lists.h"

#include <array>

namespace vt::profiles {
namespace {

constexpr uint16_t kDefault = 0xFFFF;

constexpr ChoiceEntry kIsoAEntries[] = {
    {kDefault, "Default"}, {0, "Auto"}, {64, "50"}, {72, "100"}, {80, "200"}, {88, "400"}};
constexpr ChoiceEntry kIsoBEntries[] = {
    {kDefault, "Default"}, {0, "Auto"}, {64, "80"}, {72, "100"}, {80, "200"}, {88, "400"}};
constexpr ChoiceEntry kIsoCEntries[] = {
    {kDefault, "Default"}, {0, "Auto"},  {64, "80"},    {72, "100"},   {80, "200"},
    {88, "400"},           {96, "800"}, {104, "1600"}, {112, "3200"}};

constexpr ChoiceEntry kProgramAEntries[] = {{1, "Auto"},
                                            {2, "Shutter priority"},
                                            {3, "Aperture priority"},
                                            {4, "'M' settings (Set on field)"},
                                            {255, "Velotrack settings"}};
constexpr ChoiceEntry kProgramBEntries[] = {
    {1, "Auto"}, {2, "Shutter priority"}, {3, "Aperture priority"}, {255, "Velotrack settings"}};
constexpr ChoiceEntry kProgramCEntries[] = {{1, "Auto"}};
constexpr ChoiceEntry kProgramDEntries[] = {{0, "Program AE"},
                                            {1, "Shutter priority"},
                                            {2, "Aperture priority"},
                                            {3, "'M' settings (Set on field)"},
                                            {4, "Bulb"},
                                            {255, "Velotrack settings"}};

constexpr ChoiceEntry kFocusAEntries[] = {
    {kDefault, "At shoot"},
    {1, "Re-focus and lock it at 1st shoot"},
    {4, "Re-focus and lock it at 4th shoot"},
    {8, "Re-focus and lock it at every 8th shoot"},
    {32, "Re-focus/lock controllable by Channel0 (pulse width sense only)"}};
constexpr ChoiceEntry kFocusBEntries[] = {{0, "AF not in use (shoot faster)"},
                                          {5, "AF is in use (focus time 500ms)"},
                                          {10, "AF is in use (focus time 1s)"},
                                          {25, "AF is in use (focus time 2.5s)"},
                                          {30, "AF is in use (focus time 3.0s)"},
                                          {35, "AF is in use (focus time 3.5s)"},
                                          {40, "AF is in use (focus time 4.0s)"}};

constexpr ChoiceEntry kZoomAEntries[] = {{0, "0"}, {1, "1.2"}, {2, "1.5"}, {3, "2"},
                                         {4, "2.3"}, {5, "3"}, {6, "3.2"}, {7, "4.0"}};
constexpr ChoiceEntry kZoomBEntries[] = {{0, "0"},   {1, "1.2"}, {2, "1.5"},  {3, "2"},
                                         {4, "2.3"}, {5, "3"},   {6, "3.2"},  {7, "4"},
                                         {8, "4.5"}, {9, "5"},   {10, "5.5"}, {11, "6"}};
constexpr ChoiceEntry kZoomCEntries[] = {{0, "0"},   {1, "1.2"}, {2, "1.5"},  {3, "2"},
                                         {4, "2.3"}, {5, "3"},   {6, "3.2"},  {7, "4"},
                                         {8, "4.5"}, {9, "5"},   {10, "5.5"}, {11, "6"},
                                         {22, "12"}};
constexpr ChoiceEntry kZoomDEntries[] = {{0, "0"},   {1, "1.2"}, {2, "1.5"}, {3, "2"},
                                         {4, "2.3"}, {5, "3"},   {6, "3.5"}};
constexpr ChoiceEntry kZoomEEntries[] = {{0, "0"},   {1, "1.2"}, {2, "1.5"},  {3, "2"},
                                         {4, "2.3"}, {5, "3"},   {6, "3.2"},  {7, "4"},
                                         {8, "4.5"}, {9, "5"},   {10, "5.5"}, {11, "6"},
                                         {18, "10"}};

// Control method entries; the code fixes the text in every list.
constexpr ChoiceEntry kUsbPtp{1, "USB/PTP"};
constexpr ChoiceEntry kIr{2, "IR"};
constexpr ChoiceEntry kServoCh2{3, "Servo:CH2"};
constexpr ChoiceEntry kUsbChdk{4, "USB/CHDK"};
constexpr ChoiceEntry kUsbCa1{5, "USB/CA1"};
constexpr ChoiceEntry kPortE3{6, "PORT/E3"};
constexpr ChoiceEntry kPortVt{7, "PORT/VT"};
constexpr ChoiceEntry kPortE3A{8, "PORT/E3A"};
constexpr ChoiceEntry kServoCh3{9, "Servo:CH3"};
constexpr ChoiceEntry kUsbChdkPlus{10, "USB/CHDK+"};
constexpr ChoiceEntry kUsbCa1V{11, "USB/CA1+V"};

constexpr ChoiceEntry kCm1Entries[] = {kUsbPtp, kServoCh2, kServoCh3};
constexpr ChoiceEntry kCm2Entries[] = {kUsbPtp, kIr, kServoCh2, kServoCh3};
constexpr ChoiceEntry kCm3Entries[] = {kUsbPtp, kServoCh2, kServoCh3, kUsbChdk, kUsbChdkPlus};
constexpr ChoiceEntry kCm4Entries[] = {kUsbChdk, kUsbChdkPlus};
constexpr ChoiceEntry kCm5Entries[] = {kIr, kServoCh2, kServoCh3};
constexpr ChoiceEntry kCm6Entries[] = {kUsbCa1, kUsbCa1V, kServoCh2, kServoCh3};
constexpr ChoiceEntry kCm7Entries[] = {kUsbPtp, kPortE3, kPortE3A, kIr, kServoCh2, kServoCh3};
constexpr ChoiceEntry kCm8Entries[] = {kPortVt};
constexpr ChoiceEntry kCm9Entries[] = {kPortE3, kPortE3A};
constexpr ChoiceEntry kCm10Entries[] = {kUsbPtp, kIr,      kServoCh2, kServoCh3, kUsbChdk,
                                        kUsbChdkPlus, kUsbCa1, kPortE3, kPortE3A, kPortVt};
constexpr ChoiceEntry kCm11Entries[] = {kUsbPtp, kServoCh2, kServoCh3, kUsbChdk};
constexpr ChoiceEntry kCm12Entries[] = {kUsbPtp, kServoCh2, kServoCh3, kPortE3, kPortE3A};
constexpr ChoiceEntry kCm13Entries[] = {kServoCh2, kServoCh3};

constexpr ChoiceEntry kWbAEntries[] = {{kDefault, "Default"}, {0, "Auto"},        {1, "Daylight"},
                                       {2, "Cloudy"},         {3, "Tungsten"},    {4, "Fluorescent"},
                                       {7, "Fluorescent H"},  {6, "Custom"}};
constexpr ChoiceEntry kWbBEntries[] = {{kDefault, "Default"}, {0, "AWB"},         {1, "Daylight"},
                                       {8, "Shadow"},         {2, "Cloudy"},      {3, "Tungsten"},
                                       {4, "Fluorescent"},    {5, "Flash"},       {6, "Center"},
                                       {9, "Custom"}};

constexpr ChoiceEntry kSizeAEntries[] = {{kDefault, "Default"}, {0, "Large"},   {1, "Medium1"},
                                         {3, "Medium2"},        {7, "Medium3"}, {2, "Small"}};
constexpr ChoiceEntry kSizeBEntries[] = {{kDefault, "Default"}, {12352, "L+RAW"}, {64, "RAW"},
                                         {48, "L/Fine"},        {32, "L/Normal"},  {49, "M/Fine"},
                                         {33, "M/Normal"},      {50, "S/Fine"},    {34, "S/Normal"}};

constexpr ChoiceEntry kQualityAEntries[] = {
    {kDefault, "Default"}, {5, "Superfine"}, {3, "Fine"}, {2, "Normal"}};
constexpr ChoiceEntry kQualityBEntries[] = {
    {kDefault, "Default"}, {5, "Superfine"}, {3, "Fine"}, {2, "Normal"}, {4, "RAW"}};

}  // namespace

constexpr ChoiceList kIsoA{"ISO-A", "", kIsoAEntries};
constexpr ChoiceList kIsoB{"ISO-B", "", kIsoBEntries};
constexpr ChoiceList kIsoC{"ISO-C", "", kIsoCEntries};
constexpr ChoiceList kProgramA{"PRG-A", "", kProgramAEntries};
constexpr ChoiceList kProgramB{"PRG-B", "", kProgramBEntries};
constexpr ChoiceList kProgramC{"PRG-C", "", kProgramCEntries};
constexpr ChoiceList kProgramD{"PRG-D", "", kProgramDEntries};
constexpr ChoiceList kFocusA{"FOC-A", "", kFocusAEntries};
constexpr ChoiceList kFocusB{"FOC-B", "", kFocusBEntries};
constexpr ChoiceList kZoomA{"ZM-A", "", kZoomAEntries};
constexpr ChoiceList kZoomB{"ZM-B", "", kZoomBEntries};
constexpr ChoiceList kZoomC{"ZM-C", "", kZoomCEntries};
constexpr ChoiceList kZoomD{"ZM-D", "", kZoomDEntries};
constexpr ChoiceList kZoomE{"ZM-E", "", kZoomEEntries};
constexpr ChoiceList kControlMethod1{"CM-1", "", kCm1Entries};
constexpr ChoiceList kControlMethod2{"CM-2", "", kCm2Entries};
constexpr ChoiceList kControlMethod3{"CM-3", "", kCm3Entries};
constexpr ChoiceList kControlMethod4{"CM-4", "", kCm4Entries};
constexpr ChoiceList kControlMethod5{"CM-5", "", kCm5Entries};
constexpr ChoiceList kControlMethod6{"CM-6", "", kCm6Entries};
constexpr ChoiceList kControlMethod7{"CM-7", "", kCm7Entries};
constexpr ChoiceList kControlMethod8{"CM-8", "", kCm8Entries};
constexpr ChoiceList kControlMethod9{"CM-9", "", kCm9Entries};
constexpr ChoiceList kControlMethod10{"CM-10", "", kCm10Entries};
constexpr ChoiceList kControlMethod11{"CM-11", "", kCm11Entries};
constexpr ChoiceList kControlMethod12{"CM-12", "", kCm12Entries};
constexpr ChoiceList kControlMethod13{"CM-13", "", kCm13Entries};
constexpr ChoiceList kWhiteBalanceA{"WB-A", "", kWbAEntries};
constexpr ChoiceList kWhiteBalanceB{"WB-B", "", kWbBEntries};
constexpr ChoiceList kImageSizeA{"SIZE-A", "", kSizeAEntries};
constexpr ChoiceList kImageSizeB{"SIZE-B", "", kSizeBEntries};
constexpr ChoiceList kQualityA{"Q-A", "", kQualityAEntries};
constexpr ChoiceList kQualityB{"Q-B", "", kQualityBEntries};

std::span<const ChoiceList* const> AllChoiceLists() {
  static constexpr const ChoiceList* kAll[] = {
      &kIsoA,           &kIsoB,           &kIsoC,           &kProgramA,       &kProgramB,
      &kProgramC,       &kProgramD,       &kFocusA,         &kFocusB,         &kZoomA,
      &kZoomB,          &kZoomC,          &kZoomD,          &kZoomE,          &kControlMethod1,
      &kControlMethod2, &kControlMethod3, &kControlMethod4, &kControlMethod5, &kControlMethod6,
      &kControlMethod7, &kControlMethod8, &kControlMethod9, &kControlMethod10,
      &kControlMethod11, &kControlMethod12, &kControlMethod13, &kWhiteBalanceA,
      &kWhiteBalanceB,  &kImageSizeA,     &kImageSizeB,     &kQualityA,       &kQualityB,
      &kAvList,         &kTvList,         &kModesList,      &kShotsList,      &kIntervalList,
      &kStartupList,    &kBatteryList,    &kNShotsList,     &kDelaysList,     &kAnglesList,
      &kPauseList};
  return kAll;
}

const ChoiceList* FindChoiceList(std::string_view name) {
  for (const ChoiceList* list : AllChoiceLists()) {
    if (list->name == name) return list;
  }
  return nullptr;
}

std::string ShownChoiceText(std::string_view text, std::string_view suffix) {
  std::string shown(text);
  if (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x40) shown += suffix;
  return shown;
}

std::optional<size_t> FindChoiceCode(const ChoiceList* list, uint16_t code) {
  if (list == nullptr) return std::nullopt;
  for (size_t i = 0; i < list->entries.size(); ++i) {
    if (list->entries[i].code == code) return i;
  }
  return std::nullopt;
}

std::string_view SelectedChoiceText(const ChoiceList* list, uint16_t code) {
  if (list == nullptr || list->entries.empty()) return {};
  return list->entries[FindChoiceCode(list, code).value_or(0)].text;
}

}  // namespace vt::profiles
