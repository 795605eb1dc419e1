// The arithmetic behind the editor's controls, free of any window type so that
// it builds and is tested natively: knob angle to value and back, slider row
// to position and level, thumb and face placement, the two-decimal text and
// the display's typed intro. All in IEEE double precision with truncation
// toward zero, as the constants below expect.
#pragma once

#include <cstdint>
#include <string>

namespace orkv::editor {

struct Point {
  int x;
  int y;
  bool operator==(const Point&) const = default;
};

// --- Knob -------------------------------------------------------------------

inline constexpr int kKnobIndicatorRadius = 12;

// The value the pointer at (px, py) selects on a knob centred at (cx, cy):
// the angle over the 270-degree arc from down-left (lower) clockwise over the
// top to down-right (upper), with a dead zone under the centre.
int KnobPointerToValue(int lower, int upper, int cx, int cy, int px, int py);

// Where the indicator dot of `value` sits, `radius` pixels from the centre.
Point KnobValueToPoint(int lower, int upper, int value, int cx, int cy, int radius);

// --- Slider -----------------------------------------------------------------

// Thumb centre rows at position 0 and at the upper bound.
inline constexpr int kSliderTopRow = 11;
inline constexpr int kSliderBottomRow = 73;
inline constexpr int kSliderTravel = kSliderBottomRow - kSliderTopRow;  // 62
inline constexpr unsigned kSliderMaxColumn = 23;

// Pointer coordinates read as unsigned 16-bit numbers, so that a captured
// pointer left of or above the slider lies outside.
bool SliderAcceptsPointer(std::uint16_t x, std::uint16_t y);

// The position for pointer row y, rounded to nearest with halves upward.
int SliderPointerToValue(int upper, int y);

// The slider's level rule (position <-> decibels) is its binding row,
// LevelSliderRow in shared_rows.h, the same for every plug-in.

// Top-left corner of a bitmap of `size` centred in a client extent of
// `client`, integer halves toward zero (-5 for a 50-pixel face on 40 pixels).
int CentredOrigin(int client, int size);

// Row of the thumb bitmap's top edge for `value`.
int SliderThumbTop(int value, int upper, int thumbHeight);

// --- Text -------------------------------------------------------------------

// A sign, at least one integer digit and exactly two decimals, cut (not
// rounded) from the value rounded to seven decimals: 1.999 gives "1.99",
// -0.18 gives "-0.18"; tiny negative values and -0.0 read "0.00", never "-0.00".
std::string FormatTwoDecimals(double value);

// --- Display intro ------------------------------------------------------------

// The typed intro: both lines grow by one character per tick; the tick on
// which the longer line is complete ends it. The counters are one more than
// the number of characters shown, so the first tick shows two empty lines.
struct IntroCounters {
  std::size_t product = 1;
  std::size_t maker = 1;
};

struct IntroFrame {
  std::size_t productShown;  // characters of the product line to draw
  std::size_t makerShown;    // characters of the maker line to draw
  bool finished;             // this tick ended the intro (counters are reset)
};

IntroFrame IntroTick(IntroCounters& counters, std::size_t productLength, std::size_t makerLength);

}  // namespace orkv::editor
