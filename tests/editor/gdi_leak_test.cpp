// A thousand paints, drags, double-clicks and intro ticks leave the process's
// GDI and USER object counts where they started.
#include <winternl.h>

#include <cstring>

#include "tests/editor/control_helpers.h"

namespace orkv::test {
namespace {

struct ObjectCounts {
  DWORD gdi;
  DWORD user;
  bool operator==(const ObjectCounts&) const = default;
};

// Wine answers GetGuiResources with 0. Its GDI handle table, like the
// system's, hangs off the process environment block: 24-byte entries, the
// owning process id (0 for Wine's and for stock objects) at byte 8, the
// object type (0 when free) at byte 14.
DWORD GdiObjectsInHandleTable() {
  PROCESS_BASIC_INFORMATION process{};
  if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &process,
                                sizeof process, nullptr) != 0) {
    return 0;
  }
  const auto* peb = reinterpret_cast<const BYTE*>(process.PebBaseAddress);
  const auto* table = *reinterpret_cast<const BYTE* const*>(peb + 0xF8);
  if (table == nullptr) return 0;
  const auto self = static_cast<USHORT>(GetCurrentProcessId());
  DWORD count = 0;
  for (int i = 0; i < 0x10000; ++i) {
    const BYTE* entry = table + i * 24;
    USHORT owner = 0;
    std::memcpy(&owner, entry + 8, sizeof owner);
    count += entry[14] != 0 && (owner == 0 || owner == self);
  }
  return count;
}

ObjectCounts Counts() {
  DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (gdi == 0) gdi = GdiObjectsInHandleTable();
  return {gdi, GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
}

TEST(ObjectCounter, SeesALeak) {
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
