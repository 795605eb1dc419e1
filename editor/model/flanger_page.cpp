// The Flanger's page. Knob 102 sets the centre delay and is labelled "Delay";
// moving it or Depth keeps the deviation at Depth percent of that delay.
#include "editor/model/flanger_page.h"
#include "editor/model/page_table.h"
#include "editor/model/shared_rows.h"
#include "effects/flanger/flanger.h"

namespace orkv::page_model {
namespace {

using F = Flanger;
constexpr DepthLink kLink = F::kDepthLink;

constexpr ControlBinding kBindings[] = {
    {.control = kFreqKnob,
     .label = "Delay",
     .slot = F::kDelay,
     .write = [](double k) { return 0.5 + k * 0.075; },
     .depthLink = kLink,
     .text = {TextForm::kQuantity, [](Slots s) { return s[F::kDelay]; }, F::kSlots[F::kDelay].unit},
     .position = [](Slots s) { return (s[F::kDelay] - 0.5) * 13.333333333333334; }},
    LinkedDepthRow<kLink, 0.86, 1.1627906976744187>(),
    RateRow<F::kRate, 0.02, 50.0>(),
    MixRow<F::kMix, 0.002512562814070352, 200.0, 398.0>(),
    LinearDegreeRow<F::kDegree, TextForm::kTruncated>(),
    LinearFeedRow<F::kFeed, 0.008, 125.0, 125.0>(),
    LevelSliderRow<F::kVolume>(),
};

}  // namespace

constinit const PageTableOf<Flanger> kFlangerPage{{
    ORKV_PAGE_RESOURCES,
    .effectName = "FLANGER",
    .productLine = "KV Flanger v.1.0    ",
    .helpFile = "ORKVFlanger.HLP",
    .bindings = kBindings,
}};

}  // namespace orkv::page_model
