// The engines' oscillators, a block of frames at a time. The phase of frame
// counter c is always c x increment (+ offset), recomputed from the counter,
// never accumulated; computing a block of phases and their sines ahead of the
// per-frame loop gives exactly the values the loop would compute one by one,
// with the sines two at a time (SineBlock).
#pragma once

#include <cstdint>

#include "effects/common/sine.h"

namespace orkv {

// Frames per block: the engines' block arrays live on the stack (a few KB).
inline constexpr std::uint32_t kBlockFrames = 128;

// theta[i] = (counter + i) x increment, the counter wrapping at 2^32 as the
// engines' 32-bit frame counters do.
inline void FillPhases(std::uint32_t counter, double increment, std::uint32_t count,
                       double* theta) {
  for (std::uint32_t i = 0; i < count; ++i) {
    theta[i] = static_cast<double>(static_cast<std::uint32_t>(counter + i)) * increment;
  }
}

// out[i] = Sine(theta[i] + offset).
inline void SinesAt(const double* theta, double offset, std::uint32_t count, double* out) {
  for (std::uint32_t i = 0; i < count; ++i) out[i] = theta[i] + offset;
  SineBlock(out, out, count);
}

// out[i] = Cosine(theta[i] + offset).
inline void CosinesAt(const double* theta, double offset, std::uint32_t count, double* out) {
  for (std::uint32_t i = 0; i < count; ++i) out[i] = theta[i] + offset;
  CosineBlock(out, out, count);
}

}  // namespace orkv
