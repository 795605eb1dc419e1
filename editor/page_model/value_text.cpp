#include "editor/page_model/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace orkv::page_model {
namespace {

// The seven-decimal conversion of |value| the two-decimal text is cut from.
std::string SevenDecimals(double magnitude) {
  char digits[400];  // room for the integer digits of the largest double
  const int length = std::snprintf(digits, sizeof digits, "%.7f", magnitude);
  if (length <= 0 || length >= static_cast<int>(sizeof digits)) return "0.0000000";
  return digits;
}

bool OnlyZeroDigits(std::string_view text) {
  return text.find_first_not_of("0.") == std::string_view::npos;
}

struct ScaledUnit {
  const char* small;
  const char* large;
};
constexpr ScaledUnit kScaledUnits[] = {{"Hz", "kHz"}, {"ms", "s"}};

const char* LargerUnit(const char* unit) {
  for (const ScaledUnit& scaled : kScaledUnits) {
    if (std::strcmp(scaled.small, unit) == 0) return scaled.large;
  }
  return nullptr;
}

// Decimals that leave three significant digits once the value is rounded;
// the thresholds are where rounding adds a digit (9.996 would be "10.00").
int DecimalsForThreeDigits(double magnitude) {
  if (magnitude < 9.995) return 2;
  if (magnitude < 99.95) return 1;
  return 0;
}

}  // namespace

std::string FormatTwoDecimals(double value) {
  const std::string all = SevenDecimals(std::fabs(value));
  const std::size_t point = all.find('.');
  if (point == std::string::npos) return all;  // "inf" or "nan": not from a clamped slot
  const std::string shown = all.substr(0, point + 3);
  const bool negative = std::signbit(value) && !OnlyZeroDigits(shown);
  return (negative ? "-" : "") + shown;
}

std::string FormatQuantity(double value, const char* unit) {
  const char* larger = LargerUnit(unit);
  if (larger != nullptr && std::fabs(value) >= 999.5) {
    value /= 1000;
    unit = larger;
  }
  char text[400];
  std::snprintf(text, sizeof text, "%.*f %s", DecimalsForThreeDigits(std::fabs(value)), value,
                unit);
  return text;
}

}  // namespace orkv::page_model
