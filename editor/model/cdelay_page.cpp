// The C-Delay's page. Knob 102 sets the delay and is labelled "Delay"; Depth
// is the modulation depth itself, in milliseconds.
#include <cmath>

#include "editor/model/cdelay_page.h"
#include "editor/model/page_table.h"
#include "editor/model/shared_rows.h"
#include "effects/cdelay/cdelay.h"

namespace orkv::page_model {
namespace {

using D = CDelay;

constexpr ControlBinding kBindings[] = {
    {.control = kFreqKnob,
     .label = "Delay",
     .slot = D::kDelay,
     .write = [](double k) { return 50 * std::exp(k / 33.38081977485104); },
     .text = {TextForm::kQuantity, [](Slots s) { return s[D::kDelay]; }, D::kSlots[D::kDelay].unit},
     .position = [](Slots s) { return std::log(s[D::kDelay] * 0.02) * 33.38081977485104; }},
    {.control = kDepthKnob,
     .slot = D::kDepth,
     .write = [](double k) { return k * 0.033 + 0.2; },
     .text = {TextForm::kPosition},
     .position = [](Slots s) { return (s[D::kDepth] * 100 - 20) * 0.30303030303030304; }},
    RateRow<D::kRate, 0.02, 50.0>(),
    MixRow<D::kMix, 0.002512562814070352, 200.0, 398.0>(),
    ExponentialDegreeRow<D::kDegree>(),
    LinearFeedRow<D::kFeed, 0.0090001, 111.11111111111111, 111.11111111111111>(),
    LevelSliderRow<D::kVolume>(),
};

}  // namespace

constinit const PageTableOf<CDelay> kCDelayPage{{
    ORKV_PAGE_RESOURCES,
    .effectName = "C-DELAY",
    .productLine = "KV C-Delay v.1.0   ",
    .helpFile = "ORKVCDelay.HLP",
    .bindings = kBindings,
}};

}  // namespace orkv::page_model
