// The level fader in a real window: the published rows, positions and levels
// written through the plug-in's own parameter interface, pointers outside the
// track, the double-click reset, and the thumb as drawn.
#include "core/slot_access.h"
#include "tests/editor/control_helpers.h"

namespace orkv::test {
namespace {

constexpr int kId = 101;

class SliderTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    display_ = ShowDisplay();
    slider_ = ShowControl(editor::kSliderClass, "Volume", kId, 382, 14, 23, 84);
    ASSERT_NE(slider_, nullptr);
    TakeSent();
  }
  double Level() { return Slot(facts_.levelSlot); }
  void SetLevel(double level) { SetSlot(Target(), facts_.slotCount, facts_.levelSlot, level); }

  HWND display_ = nullptr;
  HWND slider_ = nullptr;
};

struct RowCase {
  int row;
  int position;
  double level;
};

TEST_P(SliderTest, RowsGiveThePublishedPositionsAndLevels) {
  for (const RowCase& c : {RowCase{21, 48, 0.0}, RowCase{22, 53, -0.18}, RowCase{11, 0, 3.0},
                           RowCase{73, 300, -15.0}}) {
    SCOPED_TRACE(c.row);
    SetLevel(-7.0);
    Press(slider_, 10, c.row);
    Release(slider_, 10, c.row);
    EXPECT_EQ(ValueOf(slider_), c.position);
    EXPECT_NEAR(Level(), c.level, 1e-12);
    EXPECT_EQ(TakeSent(), (std::vector<Sent>{Changed(slider_, kId, c.position),
                                             Ended(slider_, kId, c.position)}));
  }
  Press(slider_, 10, 21);
  EXPECT_EQ(Level(), 0.0);  // the detent is exact
  Release(slider_, 10, 21);
}

TEST_P(SliderTest, PointersOutsideTheTrackChangeNothing) {
  Press(slider_, 10, 22);  // 53, -0.18 dB
  TakeSent();
  for (POINT outside : {POINT{24, 40}, POINT{10, 74}, POINT{10, 10}, POINT{-3, 40}, POINT{10, -1},
                        POINT{500, 500}}) {
    Drag(slider_, outside.x, outside.y);
    EXPECT_EQ(ValueOf(slider_), 53) << outside.x << "," << outside.y;
    EXPECT_NEAR(Level(), -0.18, 1e-12);
  }
  EXPECT_TRUE(TakeSent().empty());
  Release(slider_, -3, 40);
  EXPECT_EQ(TakeSent(), (std::vector<Sent>{Ended(slider_, kId, 53)}));
}

TEST_P(SliderTest, DoubleClickWritesUnityGainAndTheFollowingReleaseStartsNoDrag) {
  Press(slider_, 10, 73);  // -15 dB
  Release(slider_, 10, 73);
  TakeSent();
  // The system's sequence for a double-click on a CS_DBLCLKS class.
  Press(slider_, 5, 40);
  Release(slider_, 5, 40);
  SendMessageA(slider_, WM_LBUTTONDBLCLK, MK_LBUTTON, At(5, 40));
  EXPECT_EQ(Level(), 0.0);
  EXPECT_EQ(ValueOf(slider_), 49);
  EXPECT_NE(GetCapture(), slider_);
  Release(slider_, 5, 40);
  EXPECT_EQ(TakeSent(), (std::vector<Sent>{Changed(slider_, kId, 140), Ended(slider_, kId, 140)}));
  EXPECT_EQ(GetClassLongA(slider_, GCL_STYLE) & CS_DBLCLKS, static_cast<DWORD>(CS_DBLCLKS));
}

TEST_P(SliderTest, ThumbDrawnOverThePageAtItsPosition) {
  const Pixels page = Page();
  editor::Bitmap thumbBitmap(LoadBitmapA(Module(), MAKEINTRESOURCEA(108)));
  const Pixels thumb = Pixels::OfBitmap(thumbBitmap.Get());
  SendMessageA(slider_, editor::CTL_SET_VALUE, 0, 0);  // thumb origin (-13, -14)
  Pixels shown = Pixels::OfWindow(slider_);
  EXPECT_EQ(shown.Crop(1, 0, 21, 22), thumb.Crop(14, 14, 21, 22));
  EXPECT_EQ(shown.At(0, 0), page.At(382, 14));
  EXPECT_EQ(shown.Crop(0, 22, 23, 62), page.Crop(382, 36, 23, 62));
  SendMessageA(slider_, editor::CTL_SET_VALUE, 300, 0);  // thumb origin (-13, 48)
  shown = Pixels::OfWindow(slider_);
  EXPECT_EQ(shown.Crop(1, 62, 21, 22), thumb.Crop(14, 14, 21, 22));
  EXPECT_EQ(shown.Crop(0, 0, 23, 62), page.Crop(382, 14, 23, 62));
}

TEST_P(SliderTest, WithoutATargetItMovesAndNotifiesButWritesNothing) {
  SendMessageA(slider_, editor::CTL_SET_TARGET, 0, 0);
  SetLevel(-6.0);
  Press(slider_, 10, 11);
  Release(slider_, 10, 11);
  SendMessageA(slider_, WM_LBUTTONDBLCLK, MK_LBUTTON, At(10, 11));
  EXPECT_EQ(Level(), -6.0);
  EXPECT_EQ(ValueOf(slider_), 49);
  EXPECT_EQ(TakeSent(), (std::vector<Sent>{Changed(slider_, kId, 0), Ended(slider_, kId, 0)}));
}

INSTANTIATE_TEST_SUITE_P(AllPlugins, SliderTest, ::testing::Range(0, 6), EditorCaseName);

}  // namespace
}  // namespace orkv::test
