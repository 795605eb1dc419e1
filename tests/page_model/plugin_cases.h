// The six plug-ins as test parameters: each page table with its effect's slot
// ranges and factory presets.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/parameter_block.h"
#include "editor/model/page_table.h"
#include "effects/cdelay/cdelay.h"
#include "effects/chorus/chorus.h"
#include "effects/filter/filter.h"
#include "effects/flanger/flanger.h"
#include "effects/phaser/phaser.h"
#include "effects/tremolo/tremolo.h"
#include "fake_slots.h"

namespace orkv::page_model::test {

struct Preset {
  std::string name;
  std::vector<double> values;
};

struct PluginCase {
  std::string name;
  const PageTable* page;
  std::span<const SlotSpec> slots;
  std::vector<Preset> presets;

  ClampingSlots SlotsAt(const Preset& preset) const { return {slots, preset.values}; }
  ClampingSlots Defaults() const { return SlotsAt(presets.front()); }
};

template <class Effect>
PluginCase MakeCase(const char* name, const PageTableOf<Effect>& page) {
  PluginCase result{name, &page, Effect::kSlots, {}};
  for (const auto& row : Effect::kPresets) {
    result.presets.push_back({row.name, {row.values.begin(), row.values.end()}});
  }
  return result;
}

inline const std::vector<PluginCase>& AllPlugins() {
  static const std::vector<PluginCase> cases = {
      MakeCase<Phaser>("Phaser", kPhaserPage),    MakeCase<Chorus>("Chorus", kChorusPage),
      MakeCase<Flanger>("Flanger", kFlangerPage), MakeCase<Filter>("Filter", kFilterPage),
      MakeCase<CDelay>("CDelay", kCDelayPage),    MakeCase<Tremolo>("Tremolo", kTremoloPage),
  };
  return cases;
}

inline const PluginCase& Plugin(const std::string& name) {
  for (const PluginCase& c : AllPlugins()) {
    if (c.name == name) return c;
  }
  throw std::invalid_argument(name);
}

}  // namespace orkv::page_model::test
