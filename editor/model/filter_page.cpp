// The Filter's page: Freq is the resonance's centre, Depth a plain fraction.
#include <cmath>

#include "editor/model/filter_page.h"
#include "editor/model/page_table.h"
#include "editor/model/shared_rows.h"
#include "effects/filter/filter.h"

namespace orkv::page_model {
namespace {

using F = Filter;

constexpr ControlBinding kBindings[] = {
    {.control = kFreqKnob,
     .slot = F::kFreq,
     .write = [](double k) { return 300 * std::exp(k / 43.42944805818469); },
     .text = {TextForm::kQuantity, [](Slots s) { return s[F::kFreq]; }, F::kSlots[F::kFreq].unit},
     .position =
         [](Slots s) { return std::log(s[F::kFreq] * 0.0033333333333333335) * 43.42944805818469; }},
    {.control = kDepthKnob,
     .slot = F::kDepth,
     .write = [](double k) { return k * 0.009; },
     .text = {TextForm::kPosition},
     .position = [](Slots s) { return s[F::kDepth] * 111.11111111111111; }},
    RateRow<F::kRate, 0.06, 16.666666666666668>(),
    MixRow<F::kMix, 0.005025125628140704, 100.0, 199.0>(),
    LinearDegreeRow<F::kDegree, TextForm::kPosition>(),
    {.control = kFeedKnob,
     .slot = F::kFeed,
     .write = [](double k) { return 0.2 * std::exp(k * 0.03912023); },
     .text = {TextForm::kPosition},
     .position = [](Slots s) { return std::log(s[F::kFeed] * 5) * 25.56222189900213; }},
    LevelSliderRow<F::kVolume>(),
};

}  // namespace

constinit const PageTableOf<Filter> kFilterPage{{
    ORKV_PAGE_RESOURCES,
    .effectName = "FILTER",
    .productLine = "KV Filter v.1.0      ",
    .helpFile = "ORKVFilter.HLP",
    .bindings = kBindings,
}};

}  // namespace orkv::page_model
