// The Tremolo's page: three knobs, its own layout and help contexts.
#include "editor/model/tremolo_page.h"
#include "editor/model/page_table.h"
#include "editor/model/shared_rows.h"
#include "effects/tremolo/tremolo.h"

namespace orkv::page_model {
namespace {

using T = Tremolo;

constexpr ControlBinding kBindings[] = {
    {.control = kDepthKnob,
     .slot = T::kDepth,
     .write = [](double k) { return k * 0.005; },
     .text = {TextForm::kPosition},
     .position = [](Slots s) { return s[T::kDepth] * 200; }},
    RateRow<T::kRate, 0.06, 16.666666666666668>(),
    LinearDegreeRow<T::kDegree, TextForm::kPosition>(),
    LevelSliderRow<T::kVolume>(),
};

}  // namespace

constinit const PageTableOf<Tremolo> kTremoloPage{{
    ORKV_PAGE_RESOURCES,
    .effectName = "TREMOLO",
    .productLine = "KV Tremolo v.1.0   ",
    .helpFile = "ORKVTremolo.HLP",
    .layout = kTremoloLayout,
    .helpContexts = kTremoloHelpContexts,
    .bindings = kBindings,
}};

}  // namespace orkv::page_model
