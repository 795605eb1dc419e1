// What the render tool knows of each plug-in's settings: the slot tables of
// the effects (labels, units, ranges) and the Depth rule of the modulated ones.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/orkv_effects.h"
#include "core/parameter_block.h"
#include "effects/common/depth_link.h"

namespace orkv::render {

// A slot that users know by another name than the slot table's, such as the
// Chorus and Flanger centre delay, which their page's display calls "Delay".
struct UserLabel {
  std::size_t slot;
  const char* label;
};

struct EffectTable {
  std::span<const SlotSpec> slots;
  std::optional<DepthLink> depth;
  std::span<const UserLabel> userLabels;
  std::uint32_t minSampleRate = 1;  // the lowest input rate the effect takes
};

// The table of the plug-in; empty slots if this build does not know it.
EffectTable TableFor(const OrkvPluginInfo& plugin);

// The name --set and --list use for a slot: the user's where it differs.
const char* LabelOf(const EffectTable& table, std::size_t slot);

}  // namespace orkv::render
