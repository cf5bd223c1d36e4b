#include "profiles/camera_models.h"

namespace vt::profiles {
namespace {

// Shorthands keep the table one camera a line.
constexpr const ChoiceList* kNone = nullptr;
constexpr const ChoiceList* kModes = &kModesList;
constexpr const ChoiceList* kTv = &kTvList;
constexpr const ChoiceList* kAv = &kAvList;

// Columns: code, name, ISO, program, Tv, Av, focus, zoom, control method,
// control mode, white balance, image size, quality.
constexpr CameraModel kCameras[] = {
    {-1, "- Not Selected -", kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone,
     kNone, kNone},
    {-2, "Auto Detect (PTP cameras only)", kNone, kNone, kNone, kNone, kNone, kNone,
     &kControlMethod1, kModes, kNone, kNone, kNone},
    {-3, "Any (Uses servo control only)", kNone, kNone, kNone, kNone, kNone, kNone,
     &kControlMethod13, kModes, kNone, kNone, kNone},
    {-4, "Any (CHDK Compatible)", kNone, kNone, kNone, kNone, kNone, kNone, &kControlMethod4,
     kModes, kNone, kNone, kNone},
    {-5, "Any (Remote Port Compatible)", kNone, kNone, kNone, kNone, kNone, kNone,
     &kControlMethod9, kModes, kNone, kNone, kNone},
    {0x4001, "Canon PowerShot (Common)", &kIsoA, &kProgramA, kTv, kAv, &kFocusA, &kZoomA,
     &kControlMethod1, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityA},
    {0x4002, "Canon PowerShot G5/G6", &kIsoA, &kProgramA, kTv, kAv, &kFocusA, &kZoomA,
     &kControlMethod2, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityB},
    {0x4003, "Canon PowerShot G7", &kIsoB, &kProgramA, kTv, kAv, &kFocusA, &kZoomB,
     &kControlMethod3, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityA},
    {0x4004, "Canon PowerShot G9", &kIsoB, &kProgramA, kTv, kAv, &kFocusA, &kZoomB,
     &kControlMethod11, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityB},
    {0x4005, "Canon PowerShot G10", &kIsoB, &kProgramA, kTv, kAv, &kFocusA, &kZoomB,
     &kControlMethod12, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityB},
    {0x4011, "Canon PowerShot A70", &kIsoA, &kProgramB, kTv, kAv, &kFocusA, &kZoomA,
     &kControlMethod1, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityA},
    {0x4013, "Canon PowerShot A310", &kIsoA, &kProgramC, kNone, kNone, kNone, kNone,
     &kControlMethod1, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityA},
    {0x4016, "Canon PowerShot A510/A520", &kIsoA, &kProgramB, kTv, kAv, &kFocusA, &kZoomA,
     &kControlMethod1, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityA},
    {0x4017, "Canon PowerShot A620", &kIsoB, &kProgramA, kTv, kAv, &kFocusA, &kZoomA,
     &kControlMethod3, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityA},
    {0x4018, "Canon PowerShot A640", &kIsoB, &kProgramA, kTv, kAv, &kFocusA, &kZoomA,
     &kControlMethod3, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityA},
    {0x4022, "Canon PowerShot S1/S2/S3/S5", &kIsoB, &kProgramA, kTv, kAv, &kFocusA, &kZoomC,
     &kControlMethod3, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityA},
    {0x4024, "Canon PowerShot S60/70/80", &kIsoA, &kProgramA, kTv, kAv, &kFocusA, &kZoomD,
     &kControlMethod2, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityB},
    {0x4028, "Canon PowerShot SX100", &kIsoB, &kProgramA, kTv, kAv, &kFocusA, &kZoomE,
     &kControlMethod3, kModes, &kWhiteBalanceA, &kImageSizeA, &kQualityA},
    {-32726, "Canon EOS-Series (beta)", &kIsoC, &kProgramD, kTv, kAv, &kFocusB, kNone,
     &kControlMethod7, kModes, &kWhiteBalanceB, &kImageSizeB, kNone},
    {813, "Any Canon with IR", kNone, kNone, kNone, kNone, kNone, &kZoomA, &kControlMethod5,
     kModes, kNone, kNone, kNone},
    {558, "Canon Camcorder", kNone, kNone, kNone, kNone, kNone, &kZoomA, &kControlMethod5,
     kModes, kNone, kNone, kNone},
    {4400, "Sony Camcorder (Still Mode)", kNone, kNone, kNone, kNone, kNone, &kZoomA,
     &kControlMethod5, kModes, kNone, kNone, kNone},
    {4401, "Sony Camcorder (Record Mode)", kNone, kNone, kNone, kNone, kNone, &kZoomA,
     &kControlMethod5, kModes, kNone, kNone, kNone},
    {4403, "Sony Camcorder (Record/Still)", kNone, kNone, kNone, kNone, kNone, &kZoomA,
     &kControlMethod5, kModes, kNone, kNone, kNone},
    {4146, "Sony/Minolta/Konica with IR", kNone, kNone, kNone, kNone, kNone, &kZoomA,
     &kControlMethod5, kModes, kNone, kNone, kNone},
    {2356, "Nikon PTP & IR (Beta)", kNone, kNone, kNone, kNone, kNone, kNone, &kControlMethod2,
     kModes, kNone, kNone, kNone},
    {2357, "Nikon Coolpix (experimental)", kNone, kNone, kNone, kNone, kNone, kNone,
     &kControlMethod2, kModes, kNone, kNone, kNone},
    {3128, "Olympus with IR", kNone, kNone, kNone, kNone, kNone, &kZoomA, &kControlMethod5,
     kModes, kNone, kNone, kNone},
    {6208, "Pentax with IR", kNone, kNone, kNone, kNone, kNone, &kZoomA, &kControlMethod5,
     kModes, kNone, kNone, kNone},
    {6978, "Panasonic Video", kNone, kNone, kNone, kNone, kNone, &kZoomA, &kControlMethod5,
     kModes, kNone, kNone, kNone},
    {6982, "Panasonic Pro Video (BETA)", kNone, kNone, kNone, kNone, kNone, kNone,
     &kControlMethod8, kModes, kNone, kNone, kNone},
    {7752, "Ricoh GX100/200", kNone, kNone, kNone, kNone, kNone, &kZoomA, &kControlMethod6,
     kModes, kNone, kNone, kNone},
    {8012, "Sanyo Xacti (Photo Mode)", kNone, kNone, kNone, kNone, kNone, kNone,
     &kControlMethod5, kModes, kNone, kNone, kNone},
    {8013, "Sanyo Xacti (Video Mode)", kNone, kNone, kNone, kNone, kNone, kNone,
     &kControlMethod5, kModes, kNone, kNone, kNone},
    {8269, "JVC Camcorders", kNone, kNone, kNone, kNone, kNone, kNone, &kControlMethod5, kModes,
     kNone, kNone, kNone},
    {74, "Troubleshooter1", kNone, kNone, kNone, kNone, kNone, &kZoomA, &kControlMethod10,
     kModes, kNone, kNone, kNone},
};

}  // namespace

std::span<const CameraModel> CameraModels() { return kCameras; }

size_t CameraIndexOfCode(int16_t code) {
  for (size_t i = 0; i < std::size(kCameras); ++i) {
    if (kCameras[i].code == code) return i;
  }
  return 0;
}

const CameraModel& CameraOfCode(int16_t code) { return kCameras[CameraIndexOfCode(code)]; }

size_t ZoomPositionOfCode(const ChoiceList* zoomList, uint16_t code) {
  return FindChoiceCode(zoomList, code).value_or(0);
}

uint16_t ZoomCodeOfPosition(const ChoiceList* zoomList, size_t position) {
  if (zoomList == nullptr || position >= zoomList->entries.size()) return 0;
  return zoomList->entries[position].code;
}

}  // namespace vt::profiles
