// What the render tool knows of each plug-in's settings: the slot tables of
// the effects (labels, units, ranges) and the Depth rule of the modulated ones.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "core/orkv_effects.h"
#include "core/parameter_block.h"

namespace orkv::render {

// Phaser, Chorus and Flanger keep the sweep depth twice: as a percentage the
// page shows ("Depth") and as the deviation the engine reads. Setting Depth
// also sets deviation = Depth x base x 0.01, as the page does.
struct DepthLink {
  std::size_t percent;
  std::size_t base;
  std::size_t deviation;
};

struct EffectTable {
  std::span<const SlotSpec> slots;
  std::optional<DepthLink> depth;
};

// The table of the plug-in; empty slots if this build does not know it.
EffectTable TableFor(const OrkvPluginInfo& plugin);

}  // namespace orkv::render
