// Binding rows that several plug-ins share word for word, apart from the slot
// they write. Each plug-in's table names them next to its own rows.
#pragma once

#include <cmath>
#include <cstddef>

#include "editor/page_model/control_binding.h"
#include "editor/page_model/layout.h"

namespace orkv::page_model {

// The level slider of every plug-in: 0 dB exactly at position 48 (the nearest
// position the pointer reaches to 50), else 3 - 0.06 x position.
template <std::size_t kLevel>
constexpr ControlBinding LevelSliderRow() {
  return {.control = kLevelSlider,
          .slot = kLevel,
          .write = [](double k) { return k == 48 ? 0.0 : 3.0 + k * -0.060000000000000005; },
          .text = {TextForm::kTwoDecimals, [](Slots s) { return s[kLevel]; }},
          .position = [](Slots s) { return (s[kLevel] - 3) * -16.666666666666664; }};
}

// Rate from 0 to 2 Hz.
template <std::size_t kRate>
constexpr ControlBinding TwoHertzRateRow() {
  return {.control = kRateKnob,
          .slot = kRate,
          .write = [](double k) { return k * 0.02; },
          .text = {TextForm::kTwoDecimals, [](Slots s) { return s[kRate]; }},
          .position = [](Slots s) { return s[kRate] * 50; }};
}

// Rate from 0 to 6 Hz.
template <std::size_t kRate>
constexpr ControlBinding SixHertzRateRow() {
  return {.control = kRateKnob,
          .slot = kRate,
          .write = [](double k) { return k * 0.06; },
          .text = {TextForm::kTwoDecimals, [](Slots s) { return s[kRate]; }},
          .position = [](Slots s) { return s[kRate] * 16.666666666666668; }};
}

// Wet share from 0 to 0.5 over positions 1 to 200, shown as 0 to 100 %.
template <std::size_t kMix>
constexpr ControlBinding HalfMixRow() {
  return {.control = kMixKnob,
          .slot = kMix,
          .write = [](double k) { return (k - 1) * 0.002512562814070352; },
          .text = {TextForm::kTruncated, [](Slots s) { return s[kMix] * 200; }, "%"},
          .position = [](Slots s) { return s[kMix] * 398 + 1; }};
}

// Degree written as the position itself; `kText` shows either the position or
// the slot read back, truncated.
template <std::size_t kDegree, TextForm kText>
constexpr ControlBinding LinearDegreeRow() {
  return {.control = kDegreeKnob,
          .slot = kDegree,
          .write = [](double k) { return k; },
          .text = {kText, [](Slots s) { return s[kDegree]; }, kDegreeSign},
          .position = [](Slots s) { return s[kDegree]; }};
}

// Degree on an exponential scale: fine steps near 0, coarse ones near 180.
template <std::size_t kDegree>
constexpr ControlBinding ExponentialDegreeRow() {
  return {.control = kDegreeKnob,
          .slot = kDegree,
          .write = [](double k) { return std::pow(2.0, k * 0.038474264) * 1.4890275 - 1; },
          .text = {TextForm::kPosition, nullptr, kDegreeSign},
          .position =
              [](Slots s) {
                return (std::log(s[kDegree] + 1) - std::log(1.4890275)) /
                       (std::log(2.0) * 0.038474264);
              }};
}

}  // namespace orkv::page_model
