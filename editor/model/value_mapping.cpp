#include "editor/model/value_mapping.h"

#include <cmath>
#include <cstdio>

namespace orkv::editor {
namespace {

// The angle factor is 57.3, not 180/pi: it shifts every reading slightly
// (straight up reads -90.0066 degrees), and the published values depend on it.
constexpr double kDegreesPerRadian = 57.3;
constexpr double kOneOverArc = 0.003703703703703704;
constexpr double kArcRadians = 4.71;
constexpr double kArcStartRadians = 2.36;

// The scaled angle with the dead zone under the centre folded onto the ends:
// right of straight down reads as the upper end, left of it as the lower end.
double FoldDeadZone(double degrees) {
  if (degrees > 45.0 && degrees <= 90.0) return 45.0;
  if (degrees > 90.0 && degrees < 135.0) return 135.0;
  return degrees;
}

}  // namespace

int KnobPointerToValue(int lower, int upper, int cx, int cy, int px, int py) {
  double dx = static_cast<double>(px) - cx;
  double dy = static_cast<double>(py) - cy;
  if (dx == 0.0 && dy == 0.0) dx = dy = 1.0;
  const double degrees = FoldDeadZone(std::atan2(dy, dx) * kDegreesPerRadian);
  double travel = degrees - 135.0;
  if (travel < 0.0) travel += 360.0;
  return static_cast<int>(lower + static_cast<double>(upper - lower) * travel * kOneOverArc);
}

Point KnobValueToPoint(int lower, int upper, int value, int cx, int cy, int radius) {
  const int span = upper != lower ? upper - lower : 1;  // an empty range draws at its start
  const double angle = static_cast<double>(value - lower) * kArcRadians / span + kArcStartRadians;
  return {cx + static_cast<int>(radius * std::cos(angle)),
          cy + static_cast<int>(radius * std::sin(angle))};
}

bool SliderAcceptsPointer(std::uint16_t x, std::uint16_t y) {
  return y >= kSliderTopRow && y <= kSliderBottomRow && x <= kSliderMaxColumn;
}

int SliderPointerToValue(int upper, int y) {
  const double u = (y - kSliderTopRow) * 0.016129032258064516 * upper;
  const double below = std::floor(u);
  return static_cast<int>(below > u - 0.5 ? below : std::ceil(u));
}

int CentredOrigin(int client, int size) { return (client - size) / 2; }

int SliderThumbTop(int value, int upper, int thumbHeight) {
  const int span = upper != 0 ? upper : 1;
  return static_cast<int>(static_cast<double>(value) * kSliderTravel / span + kSliderTopRow -
                          thumbHeight * 0.5);
}

std::string FormatTwoDecimals(double value) {
  // Seven decimals, rounded, as the conversion the text is cut from; then the
  // integer digits and the first two decimals.
  char digits[400];  // room for the largest double's integer digits
  const int length = std::snprintf(digits, sizeof digits, "%.7f", std::fabs(value));
  if (length <= 0 || length >= static_cast<int>(sizeof digits)) return "?";
  const std::string all(digits);
  const std::size_t point = all.find('.');
  if (point == std::string::npos) return all;  // "inf", "nan": not from a clamped slot
  const std::string shown = all.substr(0, point + 3);
  // No sign where every digit shown is zero: never "-0.00".
  const bool negative = std::signbit(value) && shown.find_first_not_of("0.") != std::string::npos;
  return (negative ? "-" : "") + shown;
}

IntroFrame IntroTick(IntroCounters& counters, std::size_t productLength, std::size_t makerLength) {
  IntroFrame frame{counters.product - 1, counters.maker - 1, false};
  if (counters.product > productLength && counters.maker > makerLength) {
    counters = IntroCounters{};
    frame.finished = true;
    return frame;
  }
  if (counters.product <= productLength) ++counters.product;
  if (counters.maker <= makerLength) ++counters.maker;
  return frame;
}

}  // namespace orkv::editor
