#include "tools/render/slot_tables.h"

#include <cstring>

#include "effects/effect_list.h"

namespace orkv::render {

EffectTable TableFor(const OrkvPluginInfo& plugin) {
  EffectTable table;
  AllEffects::ForEach([&]<class Effect>() {
    if (std::strcmp(plugin.effect, Effect::kName) == 0) {
      table = {Effect::kSlots, DepthLinkOf<Effect>()};
    }
  });
  return table;
}

}  // namespace orkv::render
