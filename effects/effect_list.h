// The six effects, in the order of the public plug-in table, and what tools
// that handle any of them need to know generically.
#pragma once

#include <optional>

#include "effects/cdelay/cdelay.h"
#include "effects/chorus/chorus.h"
#include "effects/common/depth_link.h"
#include "effects/filter/filter.h"
#include "effects/flanger/flanger.h"
#include "effects/phaser/phaser.h"
#include "effects/tremolo/tremolo.h"

namespace orkv {

template <class... Effects>
struct EffectList {
  // Calls f.template operator()<Effect>() for each effect in order.
  template <class F>
  static constexpr void ForEach(F&& f) {
    (f.template operator()<Effects>(), ...);
  }
};

using AllEffects = EffectList<Phaser, Chorus, Flanger, Filter, CDelay, Tremolo>;

template <class Effect>
concept HasDepthLink = requires {
  Effect::kDepthLink;
};

// The effect's Depth -> deviation link, if it keeps its depth twice.
template <class Effect>
constexpr std::optional<DepthLink> DepthLinkOf() {
  if constexpr (HasDepthLink<Effect>) return Effect::kDepthLink;
  return std::nullopt;
}

}  // namespace orkv
