// What the render tool knows of each plug-in's settings: the slot tables of
// the effects (labels, units, ranges) and the Depth rule of the modulated ones.
#pragma once

#include <optional>
#include <span>

#include "core/orkv_effects.h"
#include "core/parameter_block.h"
#include "effects/common/depth_link.h"

namespace orkv::render {

struct EffectTable {
  std::span<const SlotSpec> slots;
  std::optional<DepthLink> depth;
};

// The table of the plug-in; empty slots if this build does not know it.
EffectTable TableFor(const OrkvPluginInfo& plugin);

}  // namespace orkv::render
