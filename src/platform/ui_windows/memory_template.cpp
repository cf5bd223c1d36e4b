#include "platform/ui_windows/memory_template.h"

#include <windows.h>
#include <commctrl.h>

#include <limits>

#include "platform/ui_windows/wide_text.h"

namespace vt::platform::win32 {

namespace {

constexpr uint16_t kButtonAtom = 0x0080;
constexpr uint16_t kEditAtom = 0x0081;
constexpr uint16_t kStaticAtom = 0x0082;
constexpr uint16_t kListBoxAtom = 0x0083;
constexpr uint16_t kComboBoxAtom = 0x0085;

// The system's dialog font (Tahoma, Segoe UI: whatever the system maps the
// name to), for templates that name no face and for those that name the
// bitmap face of old, "MS Sans Serif": at the templates' 6 points that face
// is drawn coarse and clips their labels. The dialog units follow the font,
// so the layout keeps its proportions.
constexpr wchar_t kShellFont[] = L"MS Shell Dlg 2";
constexpr int kShellFontPoint = 8;
constexpr char kLegacyFont[] = "MS Sans Serif";

bool UsesShellFont(const DialogTemplate& tpl) { return tpl.font.empty() || tpl.font == kLegacyFont; }

bool FitsShort(int value) {
  return value >= std::numeric_limits<int16_t>::min() &&
         value <= std::numeric_limits<int16_t>::max();
}

bool FitsShort(const Rect& place, int height) {
  return FitsShort(place.x) && FitsShort(place.y) && FitsShort(place.width) && FitsShort(height);
}

class Writer {
 public:
  explicit Writer(std::vector<uint16_t>& out) : out_(out) {}
  void Word(uint32_t value) { out_.push_back(static_cast<uint16_t>(value & 0xFFFFu)); }
  void Short(int value) { Word(static_cast<uint16_t>(static_cast<int16_t>(value))); }
  void Dword(uint32_t value) {
    Word(value & 0xFFFFu);
    Word(value >> 16);
  }
  // A string, or an empty one as the single terminating zero.
  void Text(const std::wstring& text) {
    for (wchar_t c : text) Word(static_cast<uint16_t>(c));
    Word(0);
  }
  // Items start on a DWORD boundary counted from the template's start.
  void AlignDword() {
    if (out_.size() % 2 != 0) Word(0);
  }

 private:
  std::vector<uint16_t>& out_;
};

uint32_t Visibility(uint32_t bits) {
  uint32_t style = WS_CHILD;
  if ((bits & style::kHidden) == 0) style |= WS_VISIBLE;
  if (bits & style::kDisabled) style |= WS_DISABLED;
  return style;
}

uint32_t TextAlignment(uint32_t bits) {
  if (bits & style::kCentre) return SS_CENTER;
  if (bits & style::kRight) return SS_RIGHT;
  // Framed fields hold one line; labels wrap.
  return (bits & (style::kSunken | style::kBorder)) ? SS_LEFTNOWORDWRAP : SS_LEFT;
}

}  // namespace

ControlClassStyle ClassStyleFor(const ControlTemplate& control) {
  const uint32_t bits = control.style;
  ControlClassStyle c;
  c.style = Visibility(bits);
  switch (control.cls) {
    case ControlClass::Static:
      c.atom = kStaticAtom;
      // Text shows as written ("&" is not a mnemonic), framed fields are
      // centred vertically.
      c.style |= TextAlignment(bits) | SS_NOPREFIX;
      if (bits & style::kSunken) c.style |= SS_SUNKEN | SS_CENTERIMAGE;
      if (bits & style::kBorder) c.style |= WS_BORDER | SS_CENTERIMAGE;
      break;
    case ControlClass::Picture:
      // Centred and never resized to the bitmap.
      c.atom = kStaticAtom;
      c.style |= SS_BITMAP | SS_CENTERIMAGE;
      break;
    case ControlClass::EtchedLine:
      c.atom = kStaticAtom;
      c.style |= SS_ETCHEDHORZ;
      break;
    case ControlClass::GroupBox:
      c.atom = kButtonAtom;
      c.style |= BS_GROUPBOX;
      break;
    case ControlClass::PushButton:
      c.atom = kButtonAtom;
      c.style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlClass::CheckBox:
      c.atom = kButtonAtom;
      c.style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case ControlClass::Edit:
      c.atom = kEditAtom;
      c.style |= ES_AUTOHSCROLL | WS_TABSTOP;
      if (bits & style::kReadOnly) c.style |= ES_READONLY;
      if (bits & style::kBorder) c.exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlClass::ComboBox:
      c.atom = kComboBoxAtom;
      c.style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
      break;
    case ControlClass::ListBox:
      c.atom = kListBoxAtom;
      c.style |= LBS_NOINTEGRALHEIGHT | WS_TABSTOP;
      if (bits & style::kNotify) c.style |= LBS_NOTIFY;
      if (bits & style::kVScroll) c.style |= WS_VSCROLL;
      if (bits & style::kBorder) c.exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlClass::TrackBar:
      c.name = TRACKBAR_CLASSW;
      c.style |= TBS_HORZ | TBS_BOTTOM | WS_TABSTOP;
      if (bits & style::kAutoTicks) c.style |= TBS_AUTOTICKS;
      break;
    case ControlClass::TabControl:
      // The pages are sibling windows placed over it.
      c.name = WC_TABCONTROLW;
      c.style |= WS_CLIPSIBLINGS | WS_TABSTOP;
      break;
    case ControlClass::ProgressBar:
      c.name = PROGRESS_CLASSW;
      break;
  }
  return c;
}

uint32_t DialogStyleFor(const DialogTemplate& tpl) {
  const uint32_t bits = tpl.style;
  uint32_t style = DS_SETFONT;
  if (UsesShellFont(tpl)) style |= DS_SHELLFONT;
  style |= (bits & style::kChild) ? (WS_CHILD | DS_CONTROL) : WS_POPUP;
  if (bits & style::kCaption) style |= WS_CAPTION;
  if (bits & style::kSysMenu) style |= WS_SYSMENU;
  if (bits & style::kMinimizeBox) style |= WS_MINIMIZEBOX;
  if (bits & style::kModalFrame) style |= DS_MODALFRAME;
  if (bits & style::kCentreOnScreen) style |= DS_CENTER;
  return style;
}

uint32_t DialogExStyleFor(const DialogTemplate& tpl) {
  (void)tpl;
  // Tab and the arrow keys walk into the pages placed inside a window.
  return WS_EX_CONTROLPARENT;
}

int TemplateHeightOf(const ControlTemplate& control) {
  if (control.cls == ControlClass::ComboBox) return control.place.height + control.listHeight;
  return control.place.height;
}

MemoryTemplate MemoryTemplate::Build(const DialogTemplate& tpl, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = "template " + std::to_string(tpl.id) + ": " + why;
    return MemoryTemplate{};
  };
  if (tpl.controls.size() > std::numeric_limits<uint16_t>::max()) {
    return fail("too many controls");
  }
  if (!FitsShort(tpl.place, tpl.place.height)) return fail("window place out of range");
  if (tpl.fontPoint < 0 || tpl.fontPoint > std::numeric_limits<uint16_t>::max()) {
    return fail("font size out of range");
  }

  MemoryTemplate result;
  Writer w(result.words_);
  w.Word(1);       // dlgVer
  w.Word(0xFFFF);  // signature: the extended form
  w.Dword(0);      // helpID
  w.Dword(DialogExStyleFor(tpl));
  w.Dword(DialogStyleFor(tpl));
  w.Word(static_cast<uint16_t>(tpl.controls.size()));
  w.Short(tpl.place.x);
  w.Short(tpl.place.y);
  w.Short(tpl.place.width);
  w.Short(tpl.place.height);
  w.Word(0);  // no menu
  w.Word(0);  // the dialog class
  w.Text(Widen(tpl.caption));
  const bool shellFont = UsesShellFont(tpl);
  w.Word(static_cast<uint16_t>(shellFont ? kShellFontPoint : tpl.fontPoint));
  w.Word(FW_NORMAL);
  w.Word(DEFAULT_CHARSET << 8);  // italic (low byte) 0, character set
  w.Text(shellFont ? std::wstring(kShellFont) : Widen(tpl.font));

  for (const ControlTemplate& control : tpl.controls) {
    const int height = TemplateHeightOf(control);
    if (!FitsShort(control.place, height)) {
      return fail("control " + std::to_string(control.id) + " place out of range");
    }
    const ControlClassStyle cls = ClassStyleFor(control);
    w.AlignDword();
    w.Dword(0);  // helpID
    w.Dword(cls.exStyle);
    w.Dword(cls.style);
    w.Short(control.place.x);
    w.Short(control.place.y);
    w.Short(control.place.width);
    w.Short(height);
    // Unnamed controls carry the conventional -1.
    w.Dword(control.id == kUnnamedControl ? 0xFFFFFFFFu : control.id);
    if (cls.name != nullptr) {
      w.Text(cls.name);
    } else {
      w.Word(0xFFFF);
      w.Word(cls.atom);
    }
    // A picture's title would name a bitmap resource; it gets its bitmap
    // after creation instead.
    w.Text(control.cls == ControlClass::Picture ? std::wstring() : Widen(control.text));
    w.Word(0);  // no creation data
  }
  if (error != nullptr) error->clear();
  return result;
}

}  // namespace vt::platform::win32
