// A thousand paints, drags, double-clicks and intro ticks leave the process's
// GDI and USER object counts where they started.
#include "tests/editor/control_helpers.h"
#include "tests/editor/object_counts.h"

namespace orkv::test {
namespace {

TEST(ObjectCounter, SeesALeak) {
  if (!CanCountGdiObjects()) GTEST_SKIP() << kCannotCountGdiObjects;
  const DWORD before = Counts().gdi;
  editor::Brush leaked[3] = {editor::Brush(CreateSolidBrush(RGB(1, 2, 3))),
                             editor::Brush(CreateSolidBrush(RGB(4, 5, 6))),
                             editor::Brush(CreateSolidBrush(RGB(7, 8, 9)))};
  EXPECT_EQ(Counts().gdi, before + 3);
}

class GdiLeakTest : public EditorTest {};

void Repaint(HWND window) {
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

void Exercise(HWND display, HWND knob, HWND slider, int round) {
  Repaint(display);
  Repaint(knob);
  Repaint(slider);
  Press(knob, round % 40, 0);
  Drag(knob, -round, 40 - round % 40);
  Release(knob, 0, 0);
  Press(slider, 10, 11 + round % 63);
  Drag(slider, 10, 73 - round % 63);
  Release(slider, 10, 0);
  SendMessageA(slider, WM_LBUTTONDBLCLK, MK_LBUTTON, At(5, 40));
  Hover(knob, 3, 3);
  SendMessageA(display, WM_TIMER, 1, 0);
  if (round % 50 == 0) ShowWindow(display, round % 100 == 0 ? SW_HIDE : SW_SHOWNORMAL);
}

TEST_P(GdiLeakTest, AThousandRoundsLeaveTheObjectCountsFlat) {
  if (!CanCountGdiObjects()) GTEST_SKIP() << kCannotCountGdiObjects;
  HWND display = ShowDisplay();
  HWND knob = ShowControl(editor::kKnobClass, "Rate", 104, 9, 60, 40, 40);
  HWND slider = ShowControl(editor::kSliderClass, "Volume", 101, 382, 14, 23, 84);
  Exercise(display, knob, slider, 1);  // caches the system fills on first use
  const ObjectCounts before = Counts();
  for (int round = 0; round < 1000; ++round) Exercise(display, knob, slider, round);
  EXPECT_EQ(Counts(), before) << "GDI " << before.gdi << " USER " << before.user;
}

INSTANTIATE_TEST_SUITE_P(AllPlugins, GdiLeakTest, ::testing::Values(0, 5), EditorCaseName);

}  // namespace
}  // namespace orkv::test
