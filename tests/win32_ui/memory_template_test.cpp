// The in-memory dialog template, read back field by field the way the
// dialog manager reads it.
#include "platform/ui_windows/memory_template.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace vt::platform::win32 {
namespace {

// Reads a DLGTEMPLATEEX back.
class Reader {
 public:
  explicit Reader(const MemoryTemplate& t)
      : words_(static_cast<const uint16_t*>(t.Data())), size_(t.SizeBytes() / 2) {}
  uint16_t Word() {
    if (at_ < size_) return words_[at_++];
    failed_ = true;
    return 0;
  }
  int Short() { return static_cast<int16_t>(Word()); }
  uint32_t Dword() {
    const uint32_t low = Word();
    return low | (static_cast<uint32_t>(Word()) << 16);
  }
  std::wstring Text() {
    std::wstring text;
    for (uint16_t c = Word(); c != 0 && !failed_; c = Word()) text.push_back(static_cast<wchar_t>(c));
    return text;
  }
  // A class or title: an ordinal after 0xFFFF, or a string.
  std::wstring TextOrOrdinal(uint16_t* ordinal) {
    *ordinal = 0;
    if (at_ < size_ && words_[at_] == 0xFFFF) {
      Word();
      *ordinal = Word();
      return {};
    }
    return Text();
  }
  size_t Offset() const { return at_ * 2; }
  void AlignDword() {
    if (at_ % 2 != 0) Word();
  }
  bool Failed() const { return failed_; }
  bool AtEnd() const { return at_ == size_; }

 private:
  const uint16_t* words_;
  size_t size_;
  size_t at_ = 0;
  bool failed_ = false;
};

ControlTemplate Make(uint16_t id, ControlClass cls, Rect place, std::string text) {
  ControlTemplate c;
  c.id = id;
  c.cls = cls;
  c.place = place;
  c.text = std::move(text);
  return c;
}

DialogTemplate Sample() {
  DialogTemplate t;
  t.id = 77;
  t.caption = "Odd";  // odd lengths everywhere force the padding
  t.font = "MS Sans Serif";
  t.fontPoint = 6;
  t.place = {3, 5, 201, 99};
  t.style = style::kPopup | style::kCaption | style::kSysMenu;
  t.controls = {Make(10, ControlClass::PushButton, {1, 2, 31, 13}, "Go!"),
                Make(kUnnamedControl, ControlClass::Static, {-1, -4, 41, 9}, "Label"),
                Make(11, ControlClass::TrackBar, {5, 20, 101, 15}, ""),
                Make(12, ControlClass::ComboBox, {5, 40, 60, 12}, ""),
                Make(13, ControlClass::Picture, {5, 60, 14, 16}, "ignored")};
  t.controls[3].listHeight = 120;
  t.controls[4].bitmapId = 51;
  return t;
}

TEST(MemoryTemplate, ReadsBackAsTheDialogManagerReadsIt) {
  const DialogTemplate tpl = Sample();
  std::string error = "stale";
  const MemoryTemplate memory = MemoryTemplate::Build(tpl, &error);
  ASSERT_FALSE(memory.Empty()) << error;
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(reinterpret_cast<uintptr_t>(memory.Data()) % 4, 0u);

  Reader r(memory);
  EXPECT_EQ(r.Word(), 1);       // version
  EXPECT_EQ(r.Word(), 0xFFFF);  // the extended form
  EXPECT_EQ(r.Dword(), 0u);     // help id
  EXPECT_EQ(r.Dword(), static_cast<uint32_t>(WS_EX_CONTROLPARENT));
  const uint32_t style = r.Dword();
  EXPECT_EQ(style & DS_SETFONT, static_cast<uint32_t>(DS_SETFONT));
  EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU),
            static_cast<uint32_t>(WS_POPUP | WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(style & WS_VISIBLE, 0u) << "the Ui shows windows once they are filled in";
  EXPECT_EQ(r.Word(), tpl.controls.size());
  EXPECT_EQ(r.Short(), 3);
  EXPECT_EQ(r.Short(), 5);
  EXPECT_EQ(r.Short(), 201);
  EXPECT_EQ(r.Short(), 99);
  uint16_t ordinal = 0;
  EXPECT_EQ(r.TextOrOrdinal(&ordinal), L"");  // no menu
  EXPECT_EQ(r.TextOrOrdinal(&ordinal), L"");  // the dialog class
  EXPECT_EQ(r.Text(), L"Odd");
  // The bitmap face of old becomes the system's dialog font.
  EXPECT_TRUE(style & DS_SHELLFONT);
  EXPECT_EQ(r.Word(), 8);    // points
  EXPECT_EQ(r.Word(), 400);  // weight
  EXPECT_EQ(r.Word(), DEFAULT_CHARSET << 8);
  EXPECT_EQ(r.Text(), L"MS Shell Dlg 2");

  struct Expect {
    uint32_t id;
    uint16_t atom;
    std::wstring name;
    std::wstring title;
    Rect place;
  };
  const std::vector<Expect> items = {
      {10, 0x80, L"", L"Go!", {1, 2, 31, 13}},
      {0xFFFFFFFFu, 0x82, L"", L"Label", {-1, -4, 41, 9}},
      {11, 0, L"msctls_trackbar32", L"", {5, 20, 101, 15}},
      {12, 0x85, L"", L"", {5, 40, 60, 132}},  // the dropped list counts
      {13, 0x82, L"", L"", {5, 60, 14, 16}},   // a picture gets its bitmap later
  };
  for (const Expect& e : items) {
    r.AlignDword();
    EXPECT_EQ(r.Offset() % 4, 0u);
    EXPECT_EQ(r.Dword(), 0u);  // help id
    r.Dword();                 // extended style
    const uint32_t itemStyle = r.Dword();
    EXPECT_TRUE(itemStyle & WS_CHILD);
    EXPECT_TRUE(itemStyle & WS_VISIBLE);
    const Rect place{r.Short(), r.Short(), r.Short(), r.Short()};
    EXPECT_EQ(place, e.place) << e.id;
    EXPECT_EQ(r.Dword(), e.id);
    EXPECT_EQ(r.TextOrOrdinal(&ordinal), e.name);
    EXPECT_EQ(ordinal, e.atom) << e.id;
    EXPECT_EQ(r.TextOrOrdinal(&ordinal), e.title);
    EXPECT_EQ(r.Word(), 0);  // no creation data
  }
  EXPECT_FALSE(r.Failed());
  EXPECT_TRUE(r.AtEnd());
}

TEST(MemoryTemplate, ControlStylesFollowTheTemplateBits) {
  ControlTemplate hidden = Make(1, ControlClass::CheckBox, {}, "x");
  hidden.style = style::kHidden | style::kDisabled;
  const ControlClassStyle box = ClassStyleFor(hidden);
  EXPECT_EQ(box.style & WS_VISIBLE, 0u);
  EXPECT_TRUE(box.style & WS_DISABLED);
  EXPECT_EQ(box.style & BS_TYPEMASK, static_cast<uint32_t>(BS_AUTOCHECKBOX));

  ControlTemplate field = Make(2, ControlClass::Static, {}, "a & b");
  field.style = style::kCentre | style::kSunken;
  const ControlClassStyle label = ClassStyleFor(field);
  EXPECT_EQ(label.style & SS_TYPEMASK, static_cast<uint32_t>(SS_CENTER));
  EXPECT_TRUE(label.style & SS_SUNKEN);
  EXPECT_TRUE(label.style & SS_NOPREFIX) << "an ampersand in a label shows as written";

  ControlTemplate list = Make(3, ControlClass::ListBox, {}, "");
  EXPECT_EQ(ClassStyleFor(list).style & LBS_NOTIFY, 0u);
  list.style = style::kNotify | style::kVScroll;
  EXPECT_TRUE(ClassStyleFor(list).style & LBS_NOTIFY);
  EXPECT_TRUE(ClassStyleFor(list).style & WS_VSCROLL);

  DialogTemplate page;
  page.style = style::kChild;
  EXPECT_EQ(DialogStyleFor(page) & (WS_CHILD | DS_CONTROL | WS_POPUP),
            static_cast<uint32_t>(WS_CHILD | DS_CONTROL));
  EXPECT_TRUE(DialogStyleFor(page) & DS_SHELLFONT) << "no font named: the system dialog font";
}

TEST(MemoryTemplate, RefusesWhatATemplateCannotHold) {
  std::string error;
  DialogTemplate distant = Sample();
  distant.controls[2].place.x = 40000;
  EXPECT_TRUE(MemoryTemplate::Build(distant, &error).Empty());
  EXPECT_NE(error.find("11"), std::string::npos) << error;

  DialogTemplate tall = Sample();
  tall.controls[3].listHeight = 32767;  // with the field, past 16 bits
  EXPECT_TRUE(MemoryTemplate::Build(tall, &error).Empty());

  DialogTemplate crowded = Sample();
  crowded.controls.assign(65536, Make(1, ControlClass::Static, {0, 0, 1, 1}, ""));
  EXPECT_TRUE(MemoryTemplate::Build(crowded, &error).Empty());
  EXPECT_NE(error.find("too many"), std::string::npos) << error;

  crowded.controls.resize(65535);
  EXPECT_FALSE(MemoryTemplate::Build(crowded, &error).Empty());
}

}  // namespace
}  // namespace vt::platform::win32
