// A circular delay line and its two ways of reading a modulated tap: the
// first-order all-pass interpolator of the Chorus and Flanger and the linear
// interpolator of the C-Delay. Every read stays inside the line whatever delay
// it is asked for; delays the line can hold read exactly as written.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "effects/common/sine.h"

namespace orkv {

// Beyond this the lines stop growing with the sample rate and the longest
// delays are shortened instead (2^20 frames covers 1003.5 ms above 1 MHz).
inline constexpr std::int32_t kMaxLineLength = 1 << 20;

// The specified length wherever the longest delay (in frames) fits into it, so
// that output there is exactly as specified; otherwise just enough frames.
std::int32_t LineLengthFor(std::int32_t specified, double longestDelayFrames);

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

  // y = x(e + 1 back) + eta x (x(e back) - previous y), eta = 1 - fraction of
  // the delay. Reads happen before the current frame is written, so e = 0
  // reads the value written a whole line length ago.
  double AllPassTap(double delayFrames, std::int32_t writePos, double& memory) const {
    const double d = ClampDelay(delayFrames);
    const auto e = static_cast<std::int32_t>(d);
    const double eta = (e - d) + 1.0;
    // The wrap is a comparison, not a division.
    const std::int32_t back = writePos - e;
    std::int32_t a;
    std::int32_t b;
    if (back > 0) {
      a = back;
      b = back - 1;
    } else if (back == 0) {
      a = 0;
      b = length_ - 1;
    } else {
      a = back + length_;
      b = back + length_ - 1;
    }
    const double result = eta * (data_[a] - memory) + data_[b];
    memory = result;
    return result;
  }

  // Linear interpolation between the frames e and e + 1 back.
  double LinearTap(double delayFrames, std::int32_t writePos) const {
    const double d = ClampDelay(delayFrames);
    const auto e = static_cast<std::int32_t>(d);
    std::int32_t k = writePos - e;
    if (k < 0) k += length_;
    const std::int32_t previous = k == 0 ? length_ - 1 : k - 1;
    return data_[k] + (e - d) * (data_[k] - data_[previous]);
  }

 private:
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
