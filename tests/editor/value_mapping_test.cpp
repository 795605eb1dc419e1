// The controls' arithmetic on the published examples: knob angles, the
// slider's rows, levels and detent, the two-decimal text and the intro steps.
#include "editor/model/value_mapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace orkv::editor {
namespace {

struct KnobCase {
  const char* name;
  int lower, upper;
  int px, py;  // pointer on a 40 x 40 knob centred at (20, 20)
  int value;
};

class KnobPointer : public ::testing::TestWithParam<KnobCase> {};

TEST_P(KnobPointer, GivesThePublishedValue) {
  const KnobCase& c = GetParam();
  EXPECT_EQ(KnobPointerToValue(c.lower, c.upper, 20, 20, c.px, c.py), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, KnobPointer,
    ::testing::Values(KnobCase{"Up", 0, 100, 20, 0, 49}, KnobCase{"Left", 0, 100, 0, 20, 16},
                      KnobCase{"Right", 0, 100, 40, 20, 83}, KnobCase{"Up200", 1, 200, 20, 0, 100},
                      KnobCase{"Left200", 1, 200, 0, 20, 34},
                      KnobCase{"Right200", 1, 200, 40, 20, 166},
                      // dx = dy = 1 stands in for the centre: 45 degrees, the top.
                      KnobCase{"Centre", 0, 100, 20, 20, 100}, KnobCase{"Down", 0, 100, 20, 39, 0},
                      KnobCase{"DownRight", 0, 100, 39, 39, 100},
                      KnobCase{"DeadZoneRightOfDown", 0, 100, 22, 39, 100},
                      KnobCase{"DeadZoneLeftOfDown", 0, 100, 18, 39, 0},
                      KnobCase{"DownLeftEdge", 0, 100, 0, 40, 0},
                      KnobCase{"FarOutsideUpLeft", 0, 270, -3000, -3000, 89},
                      KnobCase{"FarOutsideLeft", 0, 100, -500, 20, 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KnobIndicator, RunsFromDownLeftOverTheTopToDownRight) {
  // 2.36 rad down-left at the lower bound, 4.71 rad further at the upper;
  // offsets truncate toward zero (-8.50 gives -8, -11.99 gives -11).
  EXPECT_EQ(KnobValueToPoint(0, 100, 0, 20, 20, 12), (Point{12, 28}));
  EXPECT_EQ(KnobValueToPoint(0, 100, 100, 20, 20, 12), (Point{28, 28}));
  EXPECT_EQ(KnobValueToPoint(0, 100, 50, 20, 20, 12), (Point{20, 9}));
  EXPECT_EQ(KnobValueToPoint(1, 200, 1, 20, 20, 12), (Point{12, 28}));
  // Not clamped: beyond the upper bound the dot runs on past the arc's end.
  EXPECT_EQ(KnobValueToPoint(0, 100, 120, 20, 20, 12), (Point{19, 31}));
}

TEST(KnobIndicator, FollowsThePointerAroundTheArc) {
  for (int value = 0; value <= 100; value += 10) {
    const Point p = KnobValueToPoint(0, 100, value, 20, 20, 12);
    EXPECT_NEAR(KnobPointerToValue(0, 100, 20, 20, p.x, p.y), value, 6) << value;
  }
}

struct SliderCase {
  int row;
  int position;
};

// The levels of these positions are the level row's (page model tests).
TEST(SliderTrack, RowsGiveThePublishedPositions) {
  const SliderCase cases[] = {{21, 48}, {22, 53}, {11, 0}, {73, 300}};
  for (const SliderCase& c : cases)
    EXPECT_EQ(SliderPointerToValue(300, c.row), c.position) << c.row;
}

TEST(SliderTrack, PointerRowsReachTheseFirstPositions) {
  const int expected[] = {0, 5, 10, 15, 19, 24, 29, 34, 39, 44, 48, 53};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(SliderPointerToValue(300, 11 + i), expected[i]) << i;
}

TEST(SliderTrack, AcceptsOnlyTheTrackArea) {
  EXPECT_TRUE(SliderAcceptsPointer(0, 11));
  EXPECT_TRUE(SliderAcceptsPointer(23, 73));
  EXPECT_FALSE(SliderAcceptsPointer(24, 40));
  EXPECT_FALSE(SliderAcceptsPointer(5, 10));
  EXPECT_FALSE(SliderAcceptsPointer(5, 74));
  EXPECT_FALSE(SliderAcceptsPointer(static_cast<std::uint16_t>(-3), 40));  // left of it
  EXPECT_FALSE(SliderAcceptsPointer(5, static_cast<std::uint16_t>(-1)));   // above it
}

TEST(Placement, FaceAndThumbOrigins) {
  EXPECT_EQ(CentredOrigin(40, 50), -5);
  EXPECT_EQ(CentredOrigin(23, 50), -13);
  EXPECT_EQ(SliderThumbTop(0, 300, 50), -14);
  EXPECT_EQ(SliderThumbTop(300, 300, 50), 48);
}

TEST(TwoDecimals, CutsFromTheSevenDecimalForm) {
  EXPECT_EQ(FormatTwoDecimals(2), "2.00");
  EXPECT_EQ(FormatTwoDecimals(0.06), "0.06");
  EXPECT_EQ(FormatTwoDecimals(-0.18), "-0.18");
  EXPECT_EQ(FormatTwoDecimals(0), "0.00");
  EXPECT_EQ(FormatTwoDecimals(1.999), "1.99");
  EXPECT_EQ(FormatTwoDecimals(-15), "-15.00");
  EXPECT_EQ(FormatTwoDecimals(3.0 + 53 * -0.060000000000000005), "-0.18");
  EXPECT_EQ(FormatTwoDecimals(1.99999999), "2.00");  // rounded at seven decimals first
}

TEST(TwoDecimals, SurvivesValuesNoControlProduces) {
  EXPECT_EQ(FormatTwoDecimals(1e300).size(), 301u + 3u);
  EXPECT_FALSE(FormatTwoDecimals(std::numeric_limits<double>::quiet_NaN()).empty());
  EXPECT_FALSE(FormatTwoDecimals(-std::numeric_limits<double>::infinity()).empty());
}

TEST(Intro, PhaserTypesBothLinesAndEndsOnTheTwentiethTick) {
  const std::size_t product = std::string("KV Phaser v.1.0    ").size();
  const std::size_t maker = std::string("     Orvelt").size();
  IntroCounters counters;
  for (std::size_t tick = 1; tick <= 19; ++tick) {
    const IntroFrame frame = IntroTick(counters, product, maker);
    EXPECT_FALSE(frame.finished) << tick;
    EXPECT_EQ(frame.productShown, tick - 1);
    EXPECT_EQ(frame.makerShown, std::min<std::size_t>(tick - 1, maker));
  }
  const IntroFrame last = IntroTick(counters, product, maker);
  EXPECT_TRUE(last.finished);
  EXPECT_EQ(last.productShown, product);
  EXPECT_EQ(last.makerShown, maker);
  EXPECT_EQ(counters.product, 1u);  // ready to play again from the start
  EXPECT_EQ(counters.maker, 1u);
}

}  // namespace
}  // namespace orkv::editor
