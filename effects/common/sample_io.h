// How samples enter and leave the engines' double arithmetic: 16-bit samples
// convert exactly with no scaling; float samples that are not finite numbers
// read as silence; 16-bit results are truncated toward zero and saturated;
// float results are rounded to single precision and never limited.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace orkv {

struct StereoIn {
  double left;
  double right;
};

inline double SampleValue(std::int16_t sample) { return sample; }

// A NaN or infinity from a broken source would otherwise stay in the filter
// memories and delay lines until the engine restarts; read as silence, it
// costs one dropped sample.
inline double SampleValue(float sample) { return std::isfinite(sample) ? sample : 0.0; }

// Frame i of a mono (one sample, used for both sides) or stereo input.
template <class Sample>
inline StereoIn ReadFrame(const Sample* in, bool mono, std::uint32_t i) {
  if (mono) {
    const double x = SampleValue(in[i]);
    return {x, x};
  }
  const std::size_t at = 2 * static_cast<std::size_t>(i);
  return {SampleValue(in[at]), SampleValue(in[at + 1])};
}

// Range checks come first so that the conversion itself is always defined,
// even for huge values or NaN (which gives silence).
inline std::int16_t ToInt16(double value) {
  if (value >= 32768.0) return 32767;
  if (value <= -32769.0) return -32768;
  if (std::isnan(value)) return 0;
  return static_cast<std::int16_t>(value);
}

inline void WriteFrame(std::int16_t* out, std::uint32_t i, double left, double right) {
  const std::size_t at = 2 * static_cast<std::size_t>(i);
  out[at] = ToInt16(left);
  out[at + 1] = ToInt16(right);
}

inline void WriteFrame(float* out, std::uint32_t i, double left, double right) {
  const std::size_t at = 2 * static_cast<std::size_t>(i);
  out[at] = static_cast<float>(left);
  out[at + 1] = static_cast<float>(right);
}

}  // namespace orkv
