// The Phaser's page. Knob 102 shows the centre frequency; moving it or Depth
// keeps the deviation at Depth percent of that centre.
#include <cmath>

#include "editor/model/page_table.h"
#include "editor/model/phaser_page.h"
#include "editor/model/shared_rows.h"
#include "effects/phaser/phaser.h"

namespace orkv::page_model {
namespace {

using P = Phaser;
constexpr DepthLink kLink = P::kDepthLink;

constexpr ControlBinding kBindings[] = {
    {.control = kFreqKnob,
     .slot = P::kFreq,
     .write = [](double k) { return 100 * std::exp(k / 27.108506405333); },
     .depthLink = kLink,
     .text = {TextForm::kQuantity, [](Slots s) { return s[P::kFreq]; }, P::kSlots[P::kFreq].unit},
     .position = [](Slots s) { return std::log(s[P::kFreq] * 0.01) * 27.108506405333; }},
    LinkedDepthRow<kLink, 0.9, 1.1111111111111112>(),
    RateRow<P::kRate, 0.02, 50.0>(),
    MixRow<P::kMix, 0.002512562814070352, 200.0, 398.0>(),
    LinearDegreeRow<P::kDegree, TextForm::kTruncated>(),
    LinearFeedRow<P::kFeed, 0.00750001, 133.33333333333331, 133.33333333333334>(),
    LevelSliderRow<P::kVolume>(),
};

}  // namespace

constinit const PageTableOf<Phaser> kPhaserPage{{
    ORKV_PAGE_RESOURCES,
    .effectName = "PHASER",
    .productLine = "KV Phaser v.1.0    ",
    .helpFile = "ORKVPhaser.HLP",
    .bindings = kBindings,
}};

}  // namespace orkv::page_model
