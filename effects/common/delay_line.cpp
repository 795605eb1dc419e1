#include "effects/common/delay_line.h"

#include <algorithm>
#include <new>
#include <stdexcept>

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

void DelayLine::Clear() { std::fill(data_.begin(), data_.begin() + length_, 0.0); }

}  // namespace orkv
