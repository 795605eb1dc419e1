// A circular delay line and its two ways of reading a modulated tap: the
// first-order all-pass interpolator of the Chorus and Flanger and the linear
// interpolator of the C-Delay. Every read stays inside the line whatever delay
// it is asked for; delays the line can hold read exactly as written.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/common/oscillator.h"
#include "effects/common/sine.h"

namespace orkv {

// Beyond this the lines stop growing with the sample rate and the longest
// delays are shortened instead (2^20 frames covers 1003.5 ms above 1 MHz).
inline constexpr std::int32_t kMaxLineLength = 1 << 20;

// The nominal length wherever the longest delay (in frames) fits into it, so
// that output there is exactly the designed one; otherwise just enough frames.
std::int32_t LineLengthFor(std::int32_t nominal, double longestDelayFrames);

// (sin(angle) x deviation + centre) x frames per millisecond: a swept delay in frames.
inline double SweptDelayFrames(double angle, double centreMs, double deviationMs,
                               double framesPerMs) {
  return (Sine(angle) * deviationMs + centreMs) * framesPerMs;
}

class DelayLine {
 public:
  explicit DelayLine(std::int32_t length);

  // Sets the working length, growing the storage when needed (never shrinking
  // it, so a later return to a lower rate allocates nothing). The contents are
  // undefined until Clear. False when the storage cannot be allocated.
  bool SetLength(std::int32_t length);
  std::int32_t Length() const { return length_; }
  void Clear();

  void Write(std::int32_t position, double value) { data_[position] = value; }

  // Where a tap reads: e = floor(d) whole frames back, and e - d (in (-1, 0]),
  // the part of a frame both interpolators weigh with.
  struct TapPosition {
    std::int32_t whole;
    double fraction;
  };
  // The delay pulled inside the line first (see ClampDelay).
  TapPosition Locate(double delayFrames) const {
    const double d = ClampDelay(delayFrames);
    const auto e = static_cast<std::int32_t>(d);
    return {e, e - d};
  }

  // Where a tap reads in the storage: frame `at` (e frames back from the write
  // position), the frame before it, and the fraction of the delay.
  struct TapRead {
    std::int32_t at;
    std::int32_t before;
    double fraction;
  };
  TapRead Resolve(TapPosition tap, std::int32_t writePos) const {
    const std::int32_t a = Back(writePos, tap.whole);
    return {a, Previous(a), tap.fraction};
  }

  // y = x(e + 1 back) + eta x (x(e back) - previous y), eta = 1 - fraction of
  // the delay. Reads happen before the current frame is written, so e = 0
  // reads the value written a whole line length ago.
  double AllPassTap(TapRead tap, double& memory) const {
    const double eta = tap.fraction + 1.0;
    const double result = eta * (data_[tap.at] - memory) + data_[tap.before];
    memory = result;
    return result;
  }
  double AllPassTap(double delayFrames, std::int32_t writePos, double& memory) const {
    return AllPassTap(Resolve(Locate(delayFrames), writePos), memory);
  }

  // Linear interpolation between the frames e and e + 1 back.
  double LinearTap(TapRead tap) const {
    return data_[tap.at] + tap.fraction * (data_[tap.at] - data_[tap.before]);
  }
  double LinearTap(double delayFrames, std::int32_t writePos) const {
    return LinearTap(Resolve(Locate(delayFrames), writePos));
  }

  // Where a block of taps reads, kept as arrays so that locating them runs
  // several frames at a time, ahead of the per-frame loop.
  struct TapBlock {
    std::int32_t at[kBlockFrames];
    std::int32_t before[kBlockFrames];
    double fraction[kBlockFrames];
    TapRead operator[](std::uint32_t i) const { return {at[i], before[i], fraction[i]}; }
  };

  // Resolve(Locate(SweptDelayFrames)) for a block of sines (the sine already
  // taken), the block's first frame written at `writePos`.
  void LocateSwept(const double* sines, std::uint32_t count, double centreMs, double deviationMs,
                   double framesPerMs, std::int32_t writePos, TapBlock& out) const;

 private:
  // The frame `back` frames before writePos (0 <= back < length); the wrap is
  // a comparison, not a division.
  std::int32_t Back(std::int32_t writePos, std::int32_t back) const {
    const std::int32_t k = writePos - back;
    return k < 0 ? k + length_ : k;
  }
  // The frame before k.
  std::int32_t Previous(std::int32_t k) const { return (k == 0 ? length_ : k) - 1; }

  // Delays the line can hold (0 <= d < length) pass unchanged; anything else,
  // NaN included, is pulled to the nearest delay it can hold.
  double ClampDelay(double d) const {
    if (!(d >= 0.0)) return 0.0;
    return d <= longestDelay_ ? d : longestDelay_;
  }

  std::vector<double> data_;
  std::int32_t length_;
  double longestDelay_;  // the largest double below length_
};

}  // namespace orkv
