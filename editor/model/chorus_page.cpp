// The Chorus's page. Knob 102 sets the centre delay and is labelled "Delay";
// moving it or Depth keeps the deviation at Depth percent of that delay.
#include <cmath>

#include "editor/model/chorus_page.h"
#include "editor/model/page_table.h"
#include "editor/model/shared_rows.h"
#include "effects/chorus/chorus.h"

namespace orkv::page_model {
namespace {

using C = Chorus;
constexpr DepthLink kLink = C::kDepthLink;

constexpr ControlBinding kBindings[] = {
    {.control = kFreqKnob,
     .label = "Delay",
     .slot = C::kDelay,
     .write = [](double k) { return 8 + k * 0.22; },
     .depthLink = kLink,
     .text = {TextForm::kQuantity, [](Slots s) { return s[C::kDelay]; }, C::kSlots[C::kDelay].unit},
     .position = [](Slots s) { return (s[C::kDelay] - 8) * 99 * 0.045454545454545456 + 1; }},
    LinkedDepthRow<kLink, 0.3, 3.3333333333333335>(),
    RateRow<C::kRate, 0.02, 50.0>(),
    MixRow<C::kMix, 0.002512562814070352, 200.0, 398.0>(),
    ExponentialDegreeRow<C::kDegree>(),
    LinearFeedRow<C::kFeed, 0.007, 142.85714285714286, 142.85714285714286>(),
    LevelSliderRow<C::kVolume>(),
};

}  // namespace

constinit const PageTableOf<Chorus> kChorusPage{{
    ORKV_PAGE_RESOURCES,
    .effectName = "CHORUS",
    .productLine = "KV Chorus v.1.0    ",
    .helpFile = "ORKVChorus.HLP",
    .bindings = kBindings,
}};

}  // namespace orkv::page_model
