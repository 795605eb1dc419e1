// Properties every page table must have, checked over all six plug-ins.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "editor/model/page_table.h"
#include "plugin_cases.h"

namespace orkv::page_model {
namespace {

using test::ClampingSlots;
using test::PluginCase;

class PageTableTest : public ::testing::TestWithParam<PluginCase> {
 protected:
  const PageTable& Page() const { return *GetParam().page; }
};

// Controls whose write and position rules cannot return every position exactly:
// most come back one below where the factors' rounding leaves the product just
// under k; the slider's 0 dB detent at 48 reads as 49; the Chorus's delay rule
// maps k to 0.99 k + 1. Every other control must return k exactly.
const std::set<std::pair<std::string, int>> kWithinOne = {
    {"Phaser", 101},  {"Phaser", 102},  {"Phaser", 103},  {"Phaser", 104},  {"Phaser", 105},
    {"Chorus", 101},  {"Chorus", 102},  {"Chorus", 103},  {"Chorus", 104},  {"Chorus", 105},
    {"Chorus", 106},  {"Flanger", 101}, {"Flanger", 102}, {"Flanger", 103}, {"Flanger", 104},
    {"Flanger", 105}, {"Filter", 101},  {"Filter", 102},  {"Filter", 103},  {"Filter", 105},
    {"Filter", 107},  {"CDelay", 101},  {"CDelay", 102},  {"CDelay", 103},  {"CDelay", 104},
    {"CDelay", 105},  {"CDelay", 106},  {"Tremolo", 101}, {"Tremolo", 103},
};

bool MayMissByOne(const std::string& plugin, int control) {
  return kWithinOne.contains({plugin, control});
}

TEST_P(PageTableTest, EveryPresetPutsEveryControlInsideItsRange) {
  for (const test::Preset& preset : GetParam().presets) {
    const ClampingSlots slots = GetParam().SlotsAt(preset);
    for (const ControlBinding& binding : Page().bindings) {
      const ControlRange& range = *FindRange(binding.control);
      const int position = PositionFromParameter(binding, slots);
      EXPECT_GE(position, range.lower) << preset.name << ", control " << binding.control;
      EXPECT_LE(position, range.upper) << preset.name << ", control " << binding.control;
    }
  }
}

// From the state of every preset: position k written, then read back.
TEST_P(PageTableTest, WritingAPositionReadsItBack) {
  for (const ControlBinding& binding : Page().bindings) {
    const ControlRange& range = *FindRange(binding.control);
    const bool lenient = MayMissByOne(GetParam().name, binding.control);
    int misses = 0;
    for (const test::Preset& preset : GetParam().presets) {
      for (int k = range.lower; k <= range.upper; ++k) {
        ClampingSlots slots = GetParam().SlotsAt(preset);
        ApplyPosition(binding, k, slots);
        const int back = PositionFromParameter(binding, slots);
        if (back != k) ++misses;
        if (lenient) {
          EXPECT_LE(std::abs(back - k), 1) << preset.name << ", " << binding.control << " at " << k;
        } else {
          EXPECT_EQ(back, k) << preset.name << ", control " << binding.control << " at " << k;
        }
      }
    }
    // Keeps the list of lenient controls honest.
    if (lenient) {
      EXPECT_GT(misses, 0) << "control " << binding.control << " is exact";
    }
  }
}

// What a move writes, in published slot numbers: the row's slot alone, but in
// the Phaser, Chorus and Flanger a move of Depth (103, slot 6) or of the
// centre (102, slot 0) then also writes slot 1, the deviation, as slot 6 x
// slot 0 x 0.01 read back after the first write. No other plug-in and no other
// control writes a second slot.
TEST_P(PageTableTest, AMoveWritesItsSlotAndOnlyTheLinkedDeviation) {
  const std::string& name = GetParam().name;
  const bool linked = name == "Phaser" || name == "Chorus" || name == "Flanger";
  for (const ControlBinding& binding : Page().bindings) {
    const bool rewritesDeviation = linked && (binding.control == 102 || binding.control == 103);
    for (const test::Preset& preset : GetParam().presets) {
      SCOPED_TRACE(preset.name + ", control " + std::to_string(binding.control));
      ClampingSlots slots = GetParam().SlotsAt(preset);
      ApplyPosition(binding, 37, slots);
      ASSERT_EQ(slots.Writes().size(), rewritesDeviation ? 2u : 1u);
      EXPECT_EQ(slots.Writes()[0].slot, binding.slot);
      if (!rewritesDeviation) continue;
      EXPECT_EQ(slots.Writes()[0].slot, binding.control == 103 ? 6u : 0u);
      EXPECT_EQ(slots.Writes()[1].slot, 1u);
      EXPECT_EQ(slots.Writes()[1].value, slots.Get(6) * slots.Get(0) * 0.01);
    }
  }
}

struct Rect {
  int left, top, right, bottom;
  bool Overlaps(const Rect& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
};

Rect RectOf(const ControlPlacement& p) { return {p.x, p.y, p.x + p.width, p.y + p.height}; }

TEST_P(PageTableTest, ControlsLieInsideThePageWithoutOverlap) {
  const auto layout = Page().layout;
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const Rect r = RectOf(layout[i]);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 430 && r.bottom <= 110)
        << layout[i].windowText;
    for (std::size_t j = i + 1; j < layout.size(); ++j) {
      EXPECT_FALSE(r.Overlaps(RectOf(layout[j])))
          << layout[i].windowText << " and " << layout[j].windowText;
    }
  }
}

// Every slider and knob on the page has a binding, a range and a help context
// of its own; the display has none of them; no binding lacks its control.
TEST_P(PageTableTest, EveryControlIsBoundRangedAndHelped) {
  const auto layout = Page().layout;
  for (const ControlPlacement& p : layout) {
    SCOPED_TRACE(p.windowText);
    const bool adjustable = p.control != 108;
    EXPECT_EQ(FindBinding(Page(), p.control) != nullptr, adjustable);
    EXPECT_EQ(FindRange(p.control) != nullptr, adjustable);
    EXPECT_EQ(HelpContextFor(Page().helpContexts, p.control) != 2, adjustable);
  }
  EXPECT_EQ(Page().bindings.size() + 1, layout.size());
  EXPECT_EQ(Page().helpContexts.back().control, 0u);
}

TEST_P(PageTableTest, BindingsRunKnobsInIdOrderThenTheSlider) {
  std::vector<int> order;
  for (const ControlBinding& binding : Page().bindings) order.push_back(binding.control);
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.back(), 101);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end() - 1));
}

// The slider writes the slot every plug-in calls "Volume", in decibels.
TEST_P(PageTableTest, SliderWritesTheVolumeSlot) {
  EXPECT_STREQ(GetParam().slots[FindBinding(Page(), 101)->slot].label, "Volume");
}

INSTANTIATE_TEST_SUITE_P(AllPlugins, PageTableTest, ::testing::ValuesIn(test::AllPlugins()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace orkv::page_model
