// The Flanger's page. Knob 102 sets the centre delay and is labelled "Delay";
// moving it or Depth keeps the deviation at Depth percent of that delay.
#include "editor/page_model/page_table.h"
#include "editor/page_model/shared_rows.h"
#include "effects/flanger/flanger.h"

namespace orkv::page_model {
namespace {

using F = Flanger;
constexpr DepthLinkSlots kLink{.percent = F::kDepth, .base = F::kDelay, .deviation = F::kDeviation};

constexpr ControlBinding kBindings[] = {
    {.control = kFreqKnob,
     .label = "Delay",
     .slot = F::kDelay,
     .write = [](double k) { return 0.5 + k * 0.075; },
     .depthLink = kLink,
     .text = {TextForm::kQuantity, [](Slots s) { return s[F::kDelay]; }, F::kSlots[F::kDelay].unit},
     .position = [](Slots s) { return (s[F::kDelay] - 0.5) * 13.333333333333334; }},
    {.control = kDepthKnob,
     .slot = F::kDepth,
     .write = [](double k) { return k * 0.86 + 10; },
     .depthLink = kLink,
     .text = {TextForm::kPosition},
     .position =
         [](Slots s) { return (s[F::kDeviation] * 100 / s[F::kDelay] - 10) * 1.1627906976744187; }},
    TwoHertzRateRow<F::kRate>(),
    HalfMixRow<F::kMix>(),
    LinearDegreeRow<F::kDegree, TextForm::kTruncated>(),
    {.control = kFeedKnob,
     .slot = F::kFeed,
     .write = [](double k) { return k * 0.008; },
     .text = {TextForm::kTruncated, [](Slots s) { return s[F::kFeed] * 125; }},
     .position = [](Slots s) { return s[F::kFeed] * 125; }},
    LevelSliderRow<F::kVolume>(),
};

}  // namespace

constinit const PageTable kFlangerPage{
    .title = "ORKVFlanger",
    .helpFile = "ORKVFlanger.HLP",
    .contextMenuResource = 118,
    .aboutDialogResource = 115,
    .aboutBitmapResource = 112,
    .aboutMenuText = "&About KV Flanger...",
    .layout = kStandardLayout,
    .helpContexts = kStandardHelpContexts,
    .bindings = kBindings,
};

}  // namespace orkv::page_model
