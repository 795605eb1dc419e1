#include "editor/model/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace orkv::page_model {
namespace {

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
