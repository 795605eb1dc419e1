// Phaser, Chorus and Flanger keep their sweep depth twice: as the percentage a
// user sets ("Depth") and as the deviation the engine reads. Whoever sets the
// percentage (the page's Depth knob, the render tool) derives the deviation
// from it and the centre it applies to, with this one rule.
#pragma once

#include <cstddef>

namespace orkv {

struct DepthLink {
  std::size_t percent;    // the Depth slot
  std::size_t base;       // the centre frequency or delay the percentage is of
  std::size_t deviation;  // the slot the engine reads
};

// deviation = Depth x centre x 0.01, multiplied in this order.
constexpr double DeviationFromDepth(double percent, double base) { return percent * base * 0.01; }

}  // namespace orkv
