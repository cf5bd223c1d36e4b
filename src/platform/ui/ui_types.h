#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt::platform {

// A window made by a Ui from a dialog template. 0 is "no window".
using WindowHandle = uint32_t;
inline constexpr WindowHandle kNoWindow = 0;

// Id of template controls that nobody addresses (labels, lines).
inline constexpr uint16_t kUnnamedControl = 0xFFFF;

// The button ids that close a modal dialog, as the templates use them.
inline constexpr uint16_t kIdOk = 1;
inline constexpr uint16_t kIdCancel = 2;

enum class ControlClass : uint8_t {
  Static,        // text label or value label
  Picture,       // static holding a bitmap (the LED pictures)
  EtchedLine,    // horizontal divider
  GroupBox,
  PushButton,
  CheckBox,      // auto check box: a click toggles it, then raises its command
  Edit,
  ComboBox,      // drop-down list: the "selector"
  ListBox,
  TrackBar,      // horizontal slider
  TabControl,
  ProgressBar,
};

// Control and window style bits (our own, not Win32's values).
namespace style {
inline constexpr uint32_t kHidden = 1u << 0;      // not visible when created
inline constexpr uint32_t kDisabled = 1u << 1;
inline constexpr uint32_t kCentre = 1u << 2;      // centred text
inline constexpr uint32_t kRight = 1u << 3;       // right-aligned text
inline constexpr uint32_t kSunken = 1u << 4;      // sunken edge (status fields)
inline constexpr uint32_t kBorder = 1u << 5;
inline constexpr uint32_t kNotify = 1u << 6;      // list box notifies its owner
inline constexpr uint32_t kVScroll = 1u << 7;
inline constexpr uint32_t kAutoTicks = 1u << 8;   // track bar draws ticks
inline constexpr uint32_t kReadOnly = 1u << 9;    // edit
// Window styles.
inline constexpr uint32_t kPopup = 1u << 16;      // top-level window
inline constexpr uint32_t kChild = 1u << 17;      // page inside its parent
inline constexpr uint32_t kCaption = 1u << 18;
inline constexpr uint32_t kSysMenu = 1u << 19;
inline constexpr uint32_t kMinimizeBox = 1u << 20;
inline constexpr uint32_t kModalFrame = 1u << 21;
inline constexpr uint32_t kCentreOnScreen = 1u << 22;
}  // namespace style

// A place in dialog units, relative to the owner's client area.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// Colours of a static control (labels, group boxes, status fields). Text
// backgrounds are transparent wherever a background is given.
struct ControlColours {
  std::optional<Rgb> text;           // none: the default text colour
  std::optional<Rgb> background;     // none: the default background
  bool systemFaceBackground = false; // background is the button-face colour
  bool operator==(const ControlColours&) const = default;
};

// What a control or the Ui tells the event handler. Notification codes keep
// the values Win32 uses so ported logic reads the same.
enum class EventKind : uint8_t {
  Command,    // button, check box, selector, menu item, edit, posted command
  Scroll,     // track bar moved; code is one of the kTb* codes
  TabChange,  // the tab control's selection changed
  Timer,      // id is the timer id
  Close,      // the user asked to close the window
  DeviceChange,  // a watched device stack says boards may have come or gone
};

namespace notify {
inline constexpr uint16_t kButtonClicked = 0;   // BN_CLICKED
inline constexpr uint16_t kSelChange = 1;       // CBN_SELCHANGE / LBN_SELCHANGE
inline constexpr uint16_t kEditChange = 0x300;  // EN_CHANGE
inline constexpr uint16_t kMenu = 0;            // menu items and posted commands
// Track bar scroll codes.
inline constexpr uint16_t kTbLineUp = 0;
inline constexpr uint16_t kTbLineDown = 1;
inline constexpr uint16_t kTbPageUp = 2;
inline constexpr uint16_t kTbPageDown = 3;
inline constexpr uint16_t kTbThumbPosition = 4;
inline constexpr uint16_t kTbThumbTrack = 5;
inline constexpr uint16_t kTbTop = 6;
inline constexpr uint16_t kTbBottom = 7;
inline constexpr uint16_t kTbEndTrack = 8;
}  // namespace notify

struct UiEvent {
  WindowHandle window = kNoWindow;  // the window whose control raised it
  EventKind kind = EventKind::Command;
  uint16_t id = 0;                  // control, menu item, command or timer id
  uint16_t code = 0;                // notification or scroll code
};

enum class MessageButtons : uint8_t { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageIcon : uint8_t { None, Information, Question, Warning, Error };
enum class MessageAnswer : uint8_t { Ok, Cancel, Yes, No };

struct MessageBoxRequest {
  WindowHandle owner = kNoWindow;  // none: an owner-less box
  std::string text;
  std::string caption;
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
};

enum class FileDialogMode : uint8_t { Open, Save };

struct FileFilter {
  std::string name;     // "ELF"
  std::string pattern;  // "*.elf"
  bool operator==(const FileFilter&) const = default;
};

struct FileDialogRequest {
  WindowHandle owner = kNoWindow;
  FileDialogMode mode = FileDialogMode::Open;
  std::string title;
  std::vector<FileFilter> filters;
  std::string defaultExtension;  // as the caller gives it, e.g. "*.dat"
  bool mustExist = false;        // open: the file and its folder must exist
};

}  // namespace vt::platform
