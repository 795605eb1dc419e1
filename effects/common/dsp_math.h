// Unit conversions shared by the engines, written with the exact constants and
// operation order the renders depend on.
#pragma once

#include <algorithm>

#include "effects/common/depth_link.h"
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

// The swept engines (Phaser, Chorus, Flanger) take their deviation from a slot
// that the parameter interface, a host's presets and saved records may set far
// beyond what the page's Depth knob gives. The sweep would then rest at its
// floor (0 Hz, a delay under one frame) for part of every cycle, where the
// sections or the tap interpolators ring up by tens of dB. The engines use at
// most the deviation of the knob's top, so every setting the page can make is
// unchanged and every other one sweeps like the widest of them.
inline double SweepDeviation(double deviation, double depthTopPercent, double base) {
  return std::min(deviation, DeviationFromDepth(depthTopPercent, base));
}

// 10 ^ (dB x 0.05): -15 dB gives 0.1778, +3 dB gives 1.4125.
inline double DecibelsToGain(double decibels) { return Exp10(decibels * 0.05); }

}  // namespace orkv
