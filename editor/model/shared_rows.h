// Binding rows that several plug-ins share apart from their slot and factors.
// Each plug-in's table names them with its own slot and factors, so the
// factors still stand in the plug-in's row, in the order the rule uses them.
#pragma once

#include <cmath>
#include <cstddef>

#include "editor/model/control_binding.h"
#include "editor/model/layout.h"

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

// The Depth percentage, kept linked to the deviation:
// slot = k x kStep + 10; position (deviation x 100 / base - 10) x kScale.
template <DepthLink kLink, double kStep, double kScale>
constexpr ControlBinding LinkedDepthRow() {
  return {
      .control = kDepthKnob,
      .slot = kLink.percent,
      .write = [](double k) { return k * kStep + 10; },
      .depthLink = kLink,
      .text = {TextForm::kPosition},
      .position = [](Slots s) { return (s[kLink.deviation] * 100 / s[kLink.base] - 10) * kScale; }};
}

// slot = k x kStep; text the slot with two decimals; position slot x kScale.
template <std::size_t kRate, double kStep, double kScale>
constexpr ControlBinding RateRow() {
  return {.control = kRateKnob,
          .slot = kRate,
          .write = [](double k) { return k * kStep; },
          .text = {TextForm::kTwoDecimals, [](Slots s) { return s[kRate]; }},
          .position = [](Slots s) { return s[kRate] * kScale; }};
}

// Over positions 1 to 200: slot = (k - 1) x kStep; text slot x kPercent, then
// "%"; position slot x kScale + 1.
template <std::size_t kMix, double kStep, double kPercent, double kScale>
constexpr ControlBinding MixRow() {
  return {.control = kMixKnob,
          .slot = kMix,
          .write = [](double k) { return (k - 1) * kStep; },
          .text = {TextForm::kTruncated, [](Slots s) { return s[kMix] * kPercent; }, "%"},
          .position = [](Slots s) { return s[kMix] * kScale + 1; }};
}

// slot = k x kStep; text slot x kTextScale; position slot x kPositionScale.
template <std::size_t kFeed, double kStep, double kTextScale, double kPositionScale>
constexpr ControlBinding LinearFeedRow() {
  return {.control = kFeedKnob,
          .slot = kFeed,
          .write = [](double k) { return k * kStep; },
          .text = {TextForm::kTruncated, [](Slots s) { return s[kFeed] * kTextScale; }},
          .position = [](Slots s) { return s[kFeed] * kPositionScale; }};
}

// slot = k; position the slot; `kText` shows either the position or the slot
// read back, then the degree sign.
template <std::size_t kDegree, TextForm kText>
constexpr ControlBinding LinearDegreeRow() {
  return {.control = kDegreeKnob,
          .slot = kDegree,
          .write = [](double k) { return k; },
          .text = {kText, [](Slots s) { return s[kDegree]; }, kDegreeSign},
          .position = [](Slots s) { return s[kDegree]; }};
}

// Fine steps near 0 degrees, coarse ones near 180.
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
