#include "tools/render/slot_tables.h"

#include <cstring>

#include "effects/cdelay/cdelay.h"
#include "effects/chorus/chorus.h"
#include "effects/filter/filter.h"
#include "effects/flanger/flanger.h"
#include "effects/phaser/phaser.h"
#include "effects/tremolo/tremolo.h"

namespace orkv::render {
namespace {

// Slot 6 holds the percentage, slot 0 the centre it applies to, slot 1 the
// deviation the engine reads.
constexpr DepthLink kModulatedDepth{6, 0, 1};

constexpr UserLabel kDelayKnob[] = {{0, "Delay"}};

bool Is(const OrkvPluginInfo& plugin, const char* library) {
  return std::strcmp(plugin.library, library) == 0;
}

}  // namespace

EffectTable TableFor(const OrkvPluginInfo& plugin) {
  if (Is(plugin, "ORKVPhaser")) return {Phaser::kSlots, kModulatedDepth, {}};
  if (Is(plugin, "ORKVChorus")) return {Chorus::kSlots, kModulatedDepth, kDelayKnob};
  if (Is(plugin, "ORKVFlanger")) return {Flanger::kSlots, kModulatedDepth, kDelayKnob};
  if (Is(plugin, "ORKVFilter")) return {Filter::kSlots, std::nullopt, {}};
  if (Is(plugin, "ORKVCDelay")) return {CDelay::kSlots, std::nullopt, {}};
  if (Is(plugin, "ORKVTremolo")) return {Tremolo::kSlots, std::nullopt, {}};
  return {};
}

const char* LabelOf(const EffectTable& table, std::size_t slot) {
  for (const UserLabel& user : table.userLabels) {
    if (user.slot == slot) return user.label;
  }
  return slot < table.slots.size() ? table.slots[slot].label : "?";
}

}  // namespace orkv::render
