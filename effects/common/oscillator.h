// The engines' oscillators, a block of frames at a time. The phase of frame
// counter c is always c x increment (+ offset), recomputed from the counter,
// never accumulated; computing a block of phases and their sines ahead of the
// per-frame loop gives exactly the values the loop would compute one by one,
// with the sines two at a time (SineBlock).
#pragma once

#include <cstdint>
#include <limits>

#include "effects/common/sine.h"

namespace orkv {

// Frames per block: the engines' block arrays live on the stack (a few KB).
inline constexpr std::uint32_t kBlockFrames = 128;

// Whether counter + i stays below 2^32 for the whole block: then the phases
// are a ramp whose sums are all exact.
inline bool NoWrapIn(std::uint32_t counter, std::uint32_t count) {
  return counter <= std::numeric_limits<std::uint32_t>::max() - count;
}

// The phases of `count` frames from frame counter `counter` (wrapping at 2^32
// as the engines' 32-bit counters do): (counter + i) x increment.
inline void FillPhases(std::uint32_t counter, double increment, std::uint32_t count, double* out) {
  if (NoWrapIn(counter, count)) {
    // No wrap in this block: counter + i, summed as doubles, is exact (below
    // 2^33) and the value the 32-bit counter converts to; this form runs
    // several frames at a time.
    const auto first = static_cast<double>(counter);
    for (std::uint32_t i = 0; i < count; ++i) {
      out[i] = (first + static_cast<double>(static_cast<std::int32_t>(i))) * increment;
    }
    return;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    out[i] = static_cast<double>(static_cast<std::uint32_t>(counter + i)) * increment;
  }
}

// Sine((counter + i) x increment).
inline void Sines(std::uint32_t counter, double increment, std::uint32_t count, double* out) {
  if (NoWrapIn(counter, count))
    return SineRamp({static_cast<double>(counter), increment, 0.0, false}, count, out);
  FillPhases(counter, increment, count, out);
  SineBlock(out, count);
}

// Sine((counter + i) x increment + offset).
inline void SinesAt(std::uint32_t counter, double increment, double offset, std::uint32_t count,
                    double* out) {
  if (NoWrapIn(counter, count))
    return SineRamp({static_cast<double>(counter), increment, offset, true}, count, out);
  FillPhases(counter, increment, count, out);
  for (std::uint32_t i = 0; i < count; ++i) out[i] += offset;
  SineBlock(out, count);
}

// Cosine((counter + i) x increment + offset).
inline void CosinesAt(std::uint32_t counter, double increment, double offset, std::uint32_t count,
                      double* out) {
  if (NoWrapIn(counter, count))
    return CosineRamp({static_cast<double>(counter), increment, offset, true}, count, out);
  FillPhases(counter, increment, count, out);
  for (std::uint32_t i = 0; i < count; ++i) out[i] += offset;
  CosineBlock(out, count);
}

// Cosine((counter + i) x increment).
inline void Cosines(std::uint32_t counter, double increment, std::uint32_t count, double* out) {
  if (NoWrapIn(counter, count))
    return CosineRamp({static_cast<double>(counter), increment, 0.0, false}, count, out);
  FillPhases(counter, increment, count, out);
  CosineBlock(out, count);
}

}  // namespace orkv
