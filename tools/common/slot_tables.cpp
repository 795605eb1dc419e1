#include "tools/common/slot_tables.h"

#include <cstring>

#include "effects/effect_list.h"

namespace orkv::render {
namespace {

constexpr UserLabel kDelayKnob[] = {{0, "Delay"}};

// The Chorus and Flanger pages call their centre delay "Delay".
std::span<const UserLabel> UserLabelsOf(const char* effect) {
  const bool delayKnob =
      std::strcmp(effect, Chorus::kName) == 0 || std::strcmp(effect, Flanger::kName) == 0;
  return delayKnob ? std::span<const UserLabel>(kDelayKnob) : std::span<const UserLabel>();
}

}  // namespace

EffectTable TableFor(const OrkvPluginInfo& plugin) {
  EffectTable table;
  AllEffects::ForEach([&]<class Effect>() {
    if (std::strcmp(plugin.effect, Effect::kName) == 0) {
      table = {Effect::kSlots, DepthLinkOf<Effect>(), UserLabelsOf(plugin.effect),
               Effect::kMinSampleRate};
    }
  });
  return table;
}

const char* LabelOf(const EffectTable& table, std::size_t slot) {
  for (const UserLabel& user : table.userLabels) {
    if (user.slot == slot) return user.label;
  }
  return slot < table.slots.size() ? table.slots[slot].label : "?";
}

}  // namespace orkv::render
