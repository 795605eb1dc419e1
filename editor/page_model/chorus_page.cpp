// The Chorus's page. Knob 102 sets the centre delay and is labelled "Delay";
// moving it or Depth keeps the deviation at Depth percent of that delay.
#include <cmath>

#include "editor/page_model/page_table.h"
#include "editor/page_model/shared_rows.h"
#include "effects/chorus/chorus.h"

namespace orkv::page_model {
namespace {

using C = Chorus;
constexpr DepthLinkSlots kLink{.percent = C::kDepth, .base = C::kDelay, .deviation = C::kDeviation};

constexpr ControlBinding kBindings[] = {
    {.control = kFreqKnob,
     .label = "Delay",
     .slot = C::kDelay,
     .write = [](double k) { return 8 + k * 0.22; },
     .depthLink = kLink,
     .text = {TextForm::kQuantity, [](Slots s) { return s[C::kDelay]; }, C::kSlots[C::kDelay].unit},
     .position = [](Slots s) { return (s[C::kDelay] - 8) * 99 * 0.045454545454545456 + 1; }},
    {.control = kDepthKnob,
     .slot = C::kDepth,
     .write = [](double k) { return k * 0.3 + 10; },
     .depthLink = kLink,
     .text = {TextForm::kPosition},
     .position =
         [](Slots s) { return (s[C::kDeviation] * 100 / s[C::kDelay] - 10) * 3.3333333333333335; }},
    TwoHertzRateRow<C::kRate>(),
    HalfMixRow<C::kMix>(),
    ExponentialDegreeRow<C::kDegree>(),
    {.control = kFeedKnob,
     .slot = C::kFeed,
     .write = [](double k) { return k * 0.007; },
     .text = {TextForm::kTruncated, [](Slots s) { return s[C::kFeed] * 142.85714285714286; }},
     .position = [](Slots s) { return s[C::kFeed] * 142.85714285714286; }},
    LevelSliderRow<C::kVolume>(),
};

}  // namespace

constinit const PageTable kChorusPage{
    .title = "ORKVChorus",
    .helpFile = "ORKVChorus.HLP",
    .contextMenuResource = 117,
    .aboutDialogResource = 118,
    .aboutBitmapResource = 115,
    .aboutMenuText = "&About KV Chorus...",
    .layout = kStandardLayout,
    .helpContexts = kStandardHelpContexts,
    .bindings = kBindings,
};

}  // namespace orkv::page_model
