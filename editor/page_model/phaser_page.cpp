// The Phaser's page. Knob 102 shows the centre frequency; moving it or Depth
// keeps the deviation at Depth percent of that centre.
#include <cmath>

#include "editor/page_model/page_table.h"
#include "editor/page_model/shared_rows.h"
#include "effects/phaser/phaser.h"

namespace orkv::page_model {
namespace {

using P = Phaser;
constexpr DepthLinkSlots kLink{.percent = P::kDepth, .base = P::kFreq, .deviation = P::kDeviation};

constexpr ControlBinding kBindings[] = {
    {.control = kFreqKnob,
     .slot = P::kFreq,
     .write = [](double k) { return 100 * std::exp(k / 27.108506405333); },
     .depthLink = kLink,
     .text = {TextForm::kQuantity, [](Slots s) { return s[P::kFreq]; }, P::kSlots[P::kFreq].unit},
     .position = [](Slots s) { return std::log(s[P::kFreq] * 0.01) * 27.108506405333; }},
    {.control = kDepthKnob,
     .slot = P::kDepth,
     .write = [](double k) { return k * 0.9 + 10; },
     .depthLink = kLink,
     .text = {TextForm::kPosition},
     .position =
         [](Slots s) { return (s[P::kDeviation] * 100 / s[P::kFreq] - 10) * 1.1111111111111112; }},
    TwoHertzRateRow<P::kRate>(),
    HalfMixRow<P::kMix>(),
    LinearDegreeRow<P::kDegree, TextForm::kTruncated>(),
    {.control = kFeedKnob,
     .slot = P::kFeed,
     .write = [](double k) { return k * 0.00750001; },
     .text = {TextForm::kTruncated, [](Slots s) { return s[P::kFeed] * 133.33333333333331; }},
     .position = [](Slots s) { return s[P::kFeed] * 133.33333333333334; }},
    LevelSliderRow<P::kVolume>(),
};

}  // namespace

constinit const PageTable kPhaserPage{
    .title = "ORKVPhaser",
    .helpFile = "ORKVPhaser.HLP",
    .contextMenuResource = 117,
    .aboutDialogResource = 115,
    .aboutBitmapResource = 112,
    .aboutMenuText = "&About KV Phaser...",
    .layout = kStandardLayout,
    .helpContexts = kStandardHelpContexts,
    .bindings = kBindings,
};

}  // namespace orkv::page_model
