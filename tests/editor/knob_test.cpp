// The knob in a real window with real mouse messages: the published pointer
// angles, dragging while captured, release outside, hovering, the range and
// value messages, the face and dot as drawn.
#include "core/slot_access.h"
#include "editor/model/value_mapping.h"
#include "tests/editor/control_helpers.h"

namespace orkv::test {
namespace {

// The Rate knob, which every plug-in has, attached to its plug-in's row.
constexpr int kId = 104;
constexpr RECT kDisplayAll{0, 0, 150, 50};

class KnobTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    display_ = ShowDisplay();
    knob_ = ShowControl(editor::kKnobClass, "Rate", kId, 9, 60, 40, 40);
    ASSERT_NE(knob_, nullptr);
    TakeSent();
  }
  void Range(int lower, int upper) {
    SendMessageA(knob_, editor::CTL_SET_MIN, static_cast<WPARAM>(lower), 0);
    SendMessageA(knob_, editor::CTL_SET_MAX, static_cast<WPARAM>(upper), 0);
  }
  Pixels Bare() const { return Page().Crop(185, 32, 150, 50); }
  std::size_t RateSlot() const { return page_model::FindBinding(*Case().page, kId)->slot; }
  // What the store holds once the row's write for `position` went through it.
  double Written(int position) {
    const page_model::ControlBinding& row = *page_model::FindBinding(*Case().page, kId);
    const double before = Slot(row.slot);
    SetSlot(Target(), facts_.slotCount, row.slot, row.write(position));
    const double written = Slot(row.slot);
    SetSlot(Target(), facts_.slotCount, row.slot, before);
    return written;
  }

  HWND display_ = nullptr;
  HWND knob_ = nullptr;
};

struct PressCase {
  const char* name;
  int lower, upper;
  int x, y;
  int value;
};

constexpr PressCase kPresses[] = {
    {"straight up", 0, 100, 20, 0, 49},     {"straight left", 0, 100, 0, 20, 16},
    {"straight right", 0, 100, 40, 20, 83}, {"up, 1-200", 1, 200, 20, 0, 100},
    {"left, 1-200", 1, 200, 0, 20, 34},     {"right, 1-200", 1, 200, 40, 20, 166},
    {"centre pixel", 0, 100, 20, 20, 100},  {"dead zone right of down", 0, 100, 23, 39, 100},
    {"straight down", 0, 100, 20, 39, 0},   {"down-right", 0, 100, 39, 39, 100},
};

TEST_P(KnobTest, PressTurnsToThePointersAngleAndTheReleaseEndsTheDrag) {
  for (const PressCase& c : kPresses) {
    SCOPED_TRACE(c.name);
    Range(c.lower, c.upper);
    Press(knob_, c.x, c.y);
    EXPECT_EQ(GetCapture(), knob_);
    Release(knob_, c.x, c.y);
    EXPECT_EQ(ValueOf(knob_), c.value);
    EXPECT_EQ(TakeSent(),
              (std::vector<Sent>{Changed(knob_, kId, c.value), Ended(knob_, kId, c.value)}));
    EXPECT_EQ(Slot(RateSlot()), Written(c.value));  // through the attachment's row
  }
}

TEST_P(KnobTest, CapturedDragKeepsTurningFarOutsideAndReleaseOutsideEndsIt) {
  Range(0, 100);
  Press(knob_, 20, 0);     // up: 49
  Drag(knob_, -500, 20);   // far left: 16
  Drag(knob_, 20, -3000);  // far above: 49
  Drag(knob_, 3000, 20);   // far right: 83
  Release(knob_, 3000, 20);
  EXPECT_NE(GetCapture(), knob_);
  EXPECT_EQ(TakeSent(), (std::vector<Sent>{Changed(knob_, kId, 49), Changed(knob_, kId, 16),
                                           Changed(knob_, kId, 49), Changed(knob_, kId, 83),
                                           Ended(knob_, kId, 83)}));
  Hover(knob_, 0, 20);  // no longer dragging
  Release(knob_, 0, 20);
  EXPECT_EQ(ValueOf(knob_), 83);
  EXPECT_TRUE(TakeSent().empty());
}

// Through the system's input queue: the capture delivers the release made far
// outside the knob.
TEST_P(KnobTest, RealPointerReleasedOutsideEndsTheDrag) {
  Range(0, 100);
  EnableWindow(knob_, TRUE);
  SetForegroundWindow(Parent());
  auto input = [](DWORD flags, int x, int y) {
    INPUT event{};
    event.type = INPUT_MOUSE;
    event.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    event.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    event.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &event, sizeof event);
  };
  input(0, 9 + 20, 60);  // straight above the centre, on the knob's top row
  input(MOUSEEVENTF_LEFTDOWN, 9 + 20, 60);
  ASSERT_TRUE(PumpUntil(editor::CTL_VALUE_CHANGED, 2000));
  EXPECT_EQ(GetCapture(), knob_);
  input(0, 600, 80);  // far right of the page, level with the centre
  input(MOUSEEVENTF_LEFTUP, 600, 80);
  ASSERT_TRUE(PumpUntil(editor::CTL_DRAG_ENDED, 2000));
  EXPECT_NE(GetCapture(), knob_);
  EXPECT_EQ(ValueOf(knob_), 83);
}

TEST_P(KnobTest, HoveringChangesNothingButTheDisplay) {
  SendMessageA(knob_, editor::CTL_SET_VALUE, 30, 0);
  SendMessageA(display_, editor::DISPLAY_SET_MODE, 0, 0);
  EXPECT_EQ(Pixels::OfWindow(display_), Bare());
  const double rate = Slot(RateSlot());
  Hover(knob_, 20, 0);
  EXPECT_EQ(ValueOf(knob_), 30);
  EXPECT_TRUE(TakeSent().empty());
  EXPECT_EQ(Slot(RateSlot()), rate);
  const Pixels shown = Pixels::OfWindow(display_);
  EXPECT_GT(shown.Differences(Bare(), {0, 0, 75, 25}), 30);    // effect name
  EXPECT_GT(shown.Differences(Bare(), {0, 25, 75, 50}), 30);   // "Rate"
  EXPECT_GT(shown.Differences(Bare(), {75, 25, 150, 50}), 5);  // its value
}

TEST_P(KnobTest, BoundsMoveTheValueWithoutRepaintingAndSetValueDoesNotClamp) {
  SendMessageA(knob_, editor::CTL_SET_VALUE, 50, 0);
  const Pixels at50 = Pixels::OfWindow(knob_);
  SendMessageA(knob_, editor::CTL_SET_MIN, 60, 0);
  EXPECT_EQ(ValueOf(knob_), 60);
  SendMessageA(knob_, editor::CTL_SET_MAX, 55, 0);
  EXPECT_EQ(ValueOf(knob_), 55);
  EXPECT_EQ(Pixels::OfWindow(knob_), at50);
  SendMessageA(knob_, editor::CTL_SET_VALUE, 0x10000 + 150, 0);  // low 16 bits
  EXPECT_EQ(ValueOf(knob_), 150);
  EXPECT_NE(Pixels::OfWindow(knob_), at50);
  EXPECT_TRUE(TakeSent().empty());
}

bool IsDotRed(COLORREF c) { return GetRValue(c) >= 200 && GetGValue(c) < 40 && GetBValue(c) < 40; }

TEST_P(KnobTest, FaceOverThePageAndTheDotOnItsArc) {
  Range(0, 100);
  const Pixels page = Page();
  editor::Bitmap faceBitmap(LoadBitmapA(Module(), MAKEINTRESOURCEA(107)));
  const Pixels face = Pixels::OfBitmap(faceBitmap.Get());
  for (int value : {0, 50, 100}) {
    SCOPED_TRACE(value);
    SendMessageA(knob_, editor::CTL_SET_VALUE, static_cast<WPARAM>(value), 0);
    const Pixels knob = Pixels::OfWindow(knob_);
    EXPECT_EQ(knob.At(0, 0), page.At(9, 60));  // the face's key corner shows the page
    EXPECT_EQ(knob.At(39, 39), page.At(48, 99));
    EXPECT_EQ(knob.At(20, 20), face.At(25, 25));  // the face's middle, 5 pixels in
    const editor::Point dot = editor::KnobValueToPoint(0, 100, value, 20, 20, 12);
    int red = 0;
    for (int y = dot.y - 2; y < dot.y + 2; ++y) {
      for (int x = dot.x - 2; x < dot.x + 2; ++x) red += IsDotRed(knob.At(x, y));
    }
    EXPECT_GE(red, 4);
  }
}

TEST_P(KnobTest, MessagesBeforeShowingOrAfterDestroyHarmNothing) {
  HWND hidden = CreateChild(editor::kKnobClass, "Depth", 103, 67, 8, 40, 40);
  SendMessageA(hidden, WM_PAINT, 0, 0);
  SendMessageA(hidden, editor::CTL_SET_VALUE, 10, 0);
  SendMessageA(hidden, editor::CTL_SET_TAG, 0, 0);
  SendMessageA(hidden, editor::CTL_SET_TAG, 0,
               reinterpret_cast<LPARAM>("a tag longer than fifteen"));
  Press(hidden, 20, 0);  // no target: turns and notifies, writes nothing
  Release(hidden, 20, 0);
  EXPECT_EQ(ValueOf(hidden), 49);
  DestroyWindow(hidden);
  EXPECT_EQ(SendMessageA(hidden, editor::CTL_GET_VALUE, 0, 0), 0);
}

INSTANTIATE_TEST_SUITE_P(AllPlugins, KnobTest, ::testing::Range(0, 6), EditorCaseName);

}  // namespace
}  // namespace orkv::test
