#include "effects/common/delay_line.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "effects/common/wide_vectors.h"

namespace orkv {

std::int32_t LineLengthFor(std::int32_t nominal, double longestDelayFrames) {
  // A tap needs e = floor(D) <= length - 1, that is D < length.
  if (!(longestDelayFrames >= nominal)) return nominal;
  const double needed = std::floor(longestDelayFrames) + 1.0;
  if (needed >= kMaxLineLength) return kMaxLineLength;
  return std::max(nominal, static_cast<std::int32_t>(needed));
}

DelayLine::DelayLine(std::int32_t length)
    : data_(static_cast<std::size_t>(length)),
      length_(length),
      longestDelay_(std::nextafter(static_cast<double>(length), 0.0)) {}

bool DelayLine::SetLength(std::int32_t length) {
  if (length < 2) return false;
  const auto size = static_cast<std::size_t>(length);
  if (size > data_.size()) {
    try {
      data_.resize(size);
    } catch (const std::bad_alloc&) {
      return false;
    } catch (const std::length_error&) {
      return false;
    }
  }
  length_ = length;
  longestDelay_ = std::nextafter(static_cast<double>(length), 0.0);
  return true;
}

namespace {

// The block loop of LocateSwept, written once for every instruction set it is
// compiled for: the same operations on more lanes give the same values.
[[gnu::always_inline]] inline void LocateSweptBlock(const double* sines, std::uint32_t count,
                                                    double centreMs, double deviationMs,
                                                    double framesPerMs, double longestDelay,
                                                    std::int32_t length, std::int32_t writePos,
                                                    DelayLine::TapBlock& out) {
  for (std::uint32_t i = 0; i < count; ++i) {
    // ClampDelay, Back and Previous without branches.
    double d = (sines[i] * deviationMs + centreMs) * framesPerMs;
    d = d >= 0.0 ? d : 0.0;
    d = d <= longestDelay ? d : longestDelay;
    const auto e = static_cast<std::int32_t>(d);
    std::int32_t w = writePos + static_cast<std::int32_t>(i);
    w = w >= length ? w - length : w;
    std::int32_t a = w - e;
    a = a < 0 ? a + length : a;
    out.at[i] = a;
    out.before[i] = (a == 0 ? length : a) - 1;
    out.fraction[i] = e - d;
  }
}

#if ORKV_WIDE_VECTORS
[[gnu::target("avx2")]] void LocateSweptWide(const double* sines, std::uint32_t count,
                                             double centreMs, double deviationMs,
                                             double framesPerMs, double longestDelay,
                                             std::int32_t length, std::int32_t writePos,
                                             DelayLine::TapBlock& out) {
  LocateSweptBlock(sines, count, centreMs, deviationMs, framesPerMs, longestDelay, length, writePos,
                   out);
}
#endif

}  // namespace

void DelayLine::LocateSwept(const double* sines, std::uint32_t count, double centreMs,
                            double deviationMs, double framesPerMs, std::int32_t writePos,
                            TapBlock& out) const {
#if ORKV_WIDE_VECTORS
  if (HaveWideVectors()) {
    return LocateSweptWide(sines, count, centreMs, deviationMs, framesPerMs, longestDelay_, length_,
                           writePos, out);
  }
#endif
  LocateSweptBlock(sines, count, centreMs, deviationMs, framesPerMs, longestDelay_, length_,
                   writePos, out);
}

void DelayLine::Clear() { std::fill(data_.begin(), data_.begin() + length_, 0.0); }

}  // namespace orkv
