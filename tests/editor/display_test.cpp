// The display in a real window: bare background when shown and on the
// process's first paint, the typed intro driven tick by tick, the effect name
// on later paints, and DISPLAY_SET_MODE wiping label and value.
#include "tests/editor/editor_fixture.h"

namespace orkv::test {
namespace {

using editor::PAGE_INTRO_DONE;

constexpr RECT kTopRight{75, 0, 150, 25};
constexpr RECT kTopLeft{0, 0, 75, 25};
constexpr RECT kBottomHalf{0, 25, 150, 50};
constexpr RECT kAll{0, 0, 150, 50};

class DisplayTest : public EditorTest {
 protected:
  Pixels Bare() const { return Page().Crop(185, 32, 150, 50); }
  void Tick(HWND display) { SendMessageA(display, WM_TIMER, 1, 0); }
  // The published intro length: the product line's characters plus one.
  int IntroTicks() const { return static_cast<int>(std::string(facts_.productLine).size()) + 1; }
};

TEST_P(DisplayTest, ShowingDrawsTheBareBackgroundAndStartsTheIntroTimer) {
  HWND display = ShowDisplay();
  EXPECT_EQ(Pixels::OfWindow(display), Bare());
  EXPECT_EQ(SendMessageA(display, editor::DISPLAY_GET_MODE, 0, 0), 1);
  EXPECT_TRUE(KillTimer(display, 1));  // it was running
}

TEST_P(DisplayTest, IntroTypesOneCharacterPerTickAndEndsOnce) {
  HWND display = ShowDisplay();
  const std::string product = facts_.productLine;
  const std::string maker = "     Orvelt";
  for (int tick = 1; tick <= IntroTicks(); ++tick) {
    SCOPED_TRACE(tick);
    EXPECT_TRUE(TakeSent().empty());
    Tick(display);
    const Pixels typed = Pixels::OfWindow(display);
    // The product line grows leftwards from the right, the maker line from
    // the left, both by one character per tick after an empty first tick.
    const std::string productShown = product.substr(0, static_cast<std::size_t>(tick - 1));
    const std::string makerShown = maker.substr(0, static_cast<std::size_t>(tick - 1));
    editor::DrawDisplayText(display, {{{productShown.c_str(), editor::kTopRight},
                                       {makerShown.c_str(), editor::kBottomLeft},
                                       {"", 0},
                                       {"", 0}}});
    EXPECT_EQ(typed, Pixels::OfWindow(display));
    if (tick == 1) {
      EXPECT_EQ(typed, Bare());
    }
    if (tick == IntroTicks()) {
      EXPECT_GT(typed.Differences(Bare(), kTopRight), 100);
      EXPECT_GT(typed.Differences(Bare(), kBottomHalf), 50);
    }
  }
  EXPECT_EQ(TakeSent(), (std::vector<Sent>{{PAGE_INTRO_DONE, 0, 0}}));
  EXPECT_TRUE(editor::IntroDone());
  EXPECT_FALSE(KillTimer(display, 1));  // stopped by the last tick
  Pump(250);                            // and nothing more arrives
  EXPECT_TRUE(TakeSent().empty());
}

TEST_P(DisplayTest, ShowingAgainPlaysTheIntroAgain) {
  HWND display = ShowDisplay();
  for (int tick = 0; tick < IntroTicks(); ++tick) Tick(display);
  EXPECT_EQ(TakeSent().size(), 1u);
  ShowWindow(display, SW_HIDE);
  EXPECT_TRUE(KillTimer(display, 1));  // hiding is a show message too: restarted
  ShowWindow(display, SW_SHOWNORMAL);
  for (int tick = 1; tick < IntroTicks(); ++tick) Tick(display);
  EXPECT_TRUE(TakeSent().empty());
  Tick(display);
  EXPECT_EQ(TakeSent(), (std::vector<Sent>{{PAGE_INTRO_DONE, 0, 0}}));
}

// The published example: the Phaser's 19-character product line.
class PhaserDisplayTest : public DisplayTest {};

TEST_P(PhaserDisplayTest, IntroEndsOnTheTwentiethTick) {
  HWND display = ShowDisplay();
  for (int tick = 1; tick < 20; ++tick) Tick(display);
  EXPECT_TRUE(TakeSent().empty());
  Tick(display);
  EXPECT_EQ(TakeSent().size(), 1u);
}

TEST_P(DisplayTest, FirstPaintInTheProcessIsBareLaterPaintsShowOnlyTheEffectName) {
  HWND display = ShowDisplay();  // shown and painted for the first time: bare
  EXPECT_EQ(Pixels::OfWindow(display), Bare());
  editor::DrawDisplayText(display, {{{"X", editor::kTopRight},
                                     {"", 0},
                                     {"label", editor::kBottomLeft},
                                     {"1.00", editor::kBottomRight}}});

  for (int paint = 0; paint < 2; ++paint) {
    InvalidateRect(display, nullptr, FALSE);
    UpdateWindow(display);
    const Pixels now = Pixels::OfWindow(display);
    EXPECT_GT(now.Differences(Bare(), kTopLeft), 30);
    EXPECT_EQ(now.Differences(Bare(), kTopRight), 0);
    EXPECT_EQ(now.Differences(Bare(), kBottomHalf), 0);
  }
  // A display of a later page paints the name at once.
  DestroyWindow(display);
  display = ShowDisplay();
  InvalidateRect(display, nullptr, FALSE);
  UpdateWindow(display);
  EXPECT_GT(Pixels::OfWindow(display).Differences(Bare(), kTopLeft), 30);
}

TEST_P(DisplayTest, SetModeWipesLabelAndValue) {
  HWND display = ShowDisplay();
  editor::DrawDisplayText(display, {{{facts_.effectName, editor::kTopLeft},
                                     {"", 0},
                                     {"Rate", editor::kBottomLeft},
                                     {"0.30", editor::kBottomRight}}});
  EXPECT_GT(Pixels::OfWindow(display).Differences(Bare(), kAll), 100);
  SendMessageA(display, editor::DISPLAY_SET_MODE, 0x10000, 0);  // 16 bits kept
  EXPECT_EQ(Pixels::OfWindow(display), Bare());
  EXPECT_EQ(SendMessageA(display, editor::DISPLAY_GET_MODE, 0, 0), 0);
  SendMessageA(display, editor::DISPLAY_SET_NAME, 0,
               reinterpret_cast<LPARAM>("A NAME FAR LONGER THAN FIFTEEN"));
  SendMessageA(display, editor::DISPLAY_SET_NAME, 0, 0);  // no text: harmless
}

TEST_P(DisplayTest, DrawingBeforeTheBackgroundExistsDoesNothing) {
  HWND display = CreateChild(editor::kDisplayClass, "Display", 108, 185, 32, 150, 50);
  editor::DrawDisplayText(display, {{{"X", editor::kTopLeft}, {"", 0}, {"", 0}, {"", 0}}});
  editor::DrawDisplayText(Parent(), {{{"X", editor::kTopLeft}, {"", 0}, {"", 0}, {"", 0}}});
  editor::DrawDisplayText(nullptr, {{{"X", editor::kTopLeft}, {"", 0}, {"", 0}, {"", 0}}});
  Tick(display);  // the intro step has nothing to draw on, but counts
  EXPECT_TRUE(TakeSent().empty());
}

TEST(DisplayFont, IsArialOrAMetricCompatibleFace) {
  editor::WindowDc screen(nullptr);
  editor::Font font(editor::CreateDisplayFont());
  editor::Selection selected(screen.Get(), font.Get());
  char face[LF_FACESIZE] = {};
  GetTextFaceA(screen.Get(), sizeof face, face);
  EXPECT_TRUE(std::string(face) == "Arial" || std::string(face) == "Liberation Sans") << face;
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen.Get(), &metrics);
  EXPECT_EQ(metrics.tmHeight, 15);
  EXPECT_EQ(metrics.tmAveCharWidth, 6);
}

INSTANTIATE_TEST_SUITE_P(AllPlugins, DisplayTest, ::testing::Range(0, 6), EditorCaseName);
INSTANTIATE_TEST_SUITE_P(Phaser, PhaserDisplayTest, ::testing::Values(0), EditorCaseName);

}  // namespace
}  // namespace orkv::test
