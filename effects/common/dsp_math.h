// Unit conversions shared by the engines, written with the exact constants and
// operation order the renders depend on.
#pragma once

#include "effects/common/exp10.h"

namespace orkv {

// atan(1), the double nearest pi/4. Held as a constant rather than calling atan,
// whose last bit may differ between C libraries.
inline constexpr double kAtanOne = 0x1.921fb54442d18p-1;
// 4 atan(1) and 8 atan(1): pi and 2 pi (scaling by a power of two is exact).
inline constexpr double kPi = 4.0 * kAtanOne;
inline constexpr double kTwoPi = 8.0 * kAtanOne;

// Degree x atan(1) x (1/45), multiplied left to right.
constexpr double DegreesToRadians(double degrees) { return degrees * kAtanOne * (1.0 / 45.0); }

// 10 ^ (dB x 0.05): -15 dB gives 0.1778, +3 dB gives 1.4125.
inline double DecibelsToGain(double decibels) { return Exp10(decibels * 0.05); }

}  // namespace orkv
