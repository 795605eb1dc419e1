// Published examples and published texts and numbers, written out literally.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "editor/model/page_table.h"
#include "plugin_cases.h"

namespace orkv::page_model {
namespace {

using test::ClampingSlots;
using test::Plugin;

struct ControlValue {
  int control;
  int position;
};

std::string Drag(const PageTable& page, int control, int position, ClampingSlots& slots) {
  return MoveControl(*FindBinding(page, control), position, slots);
}

// The Phaser's defaults as published (Freq trunc(ln 7 x 27.108506405333) = 52,
// 0 dB at slider position 49); the others worked out by hand from the same
// rules. Chorus Depth 16.6 % stands at 21, not 22: the product lands just
// below 22 and truncates.
TEST(WorkedExamples, DefaultPresetsPlaceEveryControl) {
  struct Defaults {
    const char* plugin;
    std::vector<ControlValue> positions;
  };
  const Defaults expected[] = {
      {"Phaser", {{102, 52}, {104, 15}, {105, 200}, {106, 90}, {107, 50}, {103, 49}, {101, 49}}},
      {"Chorus", {{102, 83}, {103, 21}, {104, 13}, {105, 200}, {106, 180}, {107, 10}, {101, 49}}},
      {"Flanger", {{102, 33}, {103, 22}, {104, 20}, {105, 200}, {106, 45}, {107, 50}, {101, 49}}},
      {"Filter", {{102, 60}, {103, 50}, {104, 66}, {105, 200}, {106, 90}, {107, 69}, {101, 49}}},
      {"CDelay", {{102, 64}, {103, 100}, {104, 15}, {105, 200}, {106, 180}, {107, 50}, {101, 49}}},
      {"Tremolo", {{103, 90}, {104, 50}, {106, 90}, {101, 49}}},
  };
  for (const Defaults& e : expected) {
    const ClampingSlots slots = Plugin(e.plugin).Defaults();
    for (const ControlValue& p : e.positions) {
      EXPECT_EQ(PositionFromParameter(*Plugin(e.plugin).page, p.control, slots), p.position)
          << e.plugin << " " << p.control;
    }
  }
}

TEST(WorkedExamples, PhaserDepthAtFullWritesPercentThenDeviationEqualToFreq) {
  ClampingSlots slots = Plugin("Phaser").Defaults();
  EXPECT_EQ(Drag(kPhaserPage, 103, 100, slots), "100");
  ASSERT_EQ(slots.Writes().size(), 2u);
  EXPECT_EQ(slots.Writes()[0].slot, 6u);
  EXPECT_EQ(slots.Writes()[0].value, 100);
  EXPECT_EQ(slots.Writes()[1].slot, 1u);
  EXPECT_DOUBLE_EQ(slots.Writes()[1].value, slots.Get(0));
}

TEST(WorkedExamples, ChorusDegreeEnds) {
  ClampingSlots slots = Plugin("Chorus").Defaults();
  EXPECT_EQ(Drag(kChorusPage, 106, 0, slots), "0\xB0");
  EXPECT_NEAR(slots.Get(2), 0.4890275, 1e-12);
  EXPECT_EQ(Drag(kChorusPage, 106, 180, slots), "180\xB0");
  EXPECT_EQ(std::round(slots.Get(2) * 1000), 179986);
}

TEST(WorkedExamples, LevelSliderAtUnityAndEnds) {
  ClampingSlots slots = Plugin("Tremolo").Defaults();
  EXPECT_EQ(PositionFromParameter(kTremoloPage, 101, slots), 49);  // 0 dB
  EXPECT_EQ(Drag(kTremoloPage, 101, 48, slots), "0.00");
  EXPECT_EQ(slots.Get(3), 0.0);
  EXPECT_EQ(Drag(kTremoloPage, 101, 53, slots), "-0.18");
  EXPECT_EQ(Drag(kTremoloPage, 101, 300, slots), "-15.00");
  EXPECT_EQ(PositionFromParameter(kTremoloPage, 101, slots), 299);
  EXPECT_EQ(Drag(kTremoloPage, 101, 0, slots), "3.00");
  EXPECT_EQ(PositionFromParameter(kTremoloPage, 101, slots), 0);
}

// The Phaser's Feed text multiplies by a factor one step below the position's:
// at full feedback the knob stands at 100 and the display reads 99.
TEST(WorkedExamples, PhaserFeedTextAndPositionUseTheirOwnFactors) {
  ClampingSlots slots = Plugin("Phaser").Defaults();
  EXPECT_EQ(Drag(kPhaserPage, 107, 100, slots), "99");
  EXPECT_EQ(slots.Get(4), 0.75);  // 0.750001 clamped
  EXPECT_EQ(PositionFromParameter(kPhaserPage, 107, slots), 100);
  EXPECT_EQ(Drag(kPhaserPage, 107, 50, slots), "50");
}

struct TextExample {
  const char* plugin;
  int control;
  int position;
  const char* text;
};

TEST(WorkedExamples, ValueTextsOfEveryForm) {
  const TextExample examples[] = {
      {"Phaser", 102, 52, "681 Hz"},    {"Phaser", 102, 100, "4.00 kHz"},
      {"Phaser", 102, 0, "100 Hz"},     {"Phaser", 104, 15, "0.30"},
      {"Phaser", 105, 200, "100%"},     {"Phaser", 105, 1, "0%"},
      {"Phaser", 106, 90, "90\xB0"},    {"Chorus", 102, 100, "30.0 ms"},
      {"Chorus", 102, 0, "8.00 ms"},    {"Chorus", 107, 100, "100"},
      {"Flanger", 102, 100, "8.00 ms"}, {"Flanger", 102, 0, "0.50 ms"},
      {"Flanger", 107, 100, "100"},     {"Filter", 102, 0, "300 Hz"},
      {"Filter", 102, 100, "3.00 kHz"}, {"Filter", 105, 200, "100%"},
      {"Filter", 104, 100, "6.00"},     {"Filter", 107, 37, "37"},
      {"CDelay", 102, 0, "50.0 ms"},    {"CDelay", 102, 100, "1.00 s"},
      {"CDelay", 107, 100, "100"},      {"CDelay", 103, 100, "100"},
      {"Tremolo", 103, 90, "90"},       {"Tremolo", 106, 45, "45\xB0"},
      {"Tremolo", 104, 50, "3.00"},
  };
  for (const TextExample& e : examples) {
    ClampingSlots slots = Plugin(e.plugin).Defaults();
    EXPECT_EQ(Drag(*Plugin(e.plugin).page, e.control, e.position, slots), e.text)
        << e.plugin << " " << e.control << " at " << e.position;
  }
}

// Every write rule at position 37, worked out independently from its formula;
// the slider writes 3 - 0.06 x 37 dB in every plug-in.
TEST(WorkedExamples, EveryWriteRuleAtOnePosition) {
  struct Write {
    const char* plugin;
    int control;
    std::size_t slot;
    double value;
  };
  const Write expected[] = {
      {"Phaser", 102, 0, 391.52736702463955},
      {"Phaser", 103, 6, 43.300000000000004},
      {"Phaser", 104, 3, 0.73999999999999999},
      {"Phaser", 105, 5, 0.090452261306532666},
      {"Phaser", 106, 2, 37},
      {"Phaser", 107, 4, 0.27750037},
      {"Chorus", 102, 0, 16.140000000000001},
      {"Chorus", 103, 6, 21.100000000000001},
      {"Chorus", 104, 3, 0.73999999999999999},
      {"Chorus", 105, 5, 0.090452261306532666},
      {"Chorus", 106, 2, 2.9942320944499641},
      {"Chorus", 107, 4, 0.25900000000000001},
      {"Flanger", 102, 0, 3.2749999999999999},
      {"Flanger", 103, 6, 41.82},
      {"Flanger", 104, 3, 0.73999999999999999},
      {"Flanger", 105, 5, 0.090452261306532666},
      {"Flanger", 106, 2, 37},
      {"Flanger", 107, 4, 0.29599999999999999},
      {"Filter", 102, 0, 703.26864641899181},
      {"Filter", 103, 1, 0.33299999999999996},
      {"Filter", 104, 3, 2.2199999999999998},
      {"Filter", 105, 5, 0.18090452261306533},
      {"Filter", 106, 2, 37},
      {"Filter", 107, 4, 0.85045021719469782},
      {"CDelay", 102, 0, 151.47853873925484},
      {"CDelay", 103, 1, 1.421},
      {"CDelay", 104, 3, 0.73999999999999999},
      {"CDelay", 105, 5, 0.090452261306532666},
      {"CDelay", 106, 2, 2.9942320944499641},
      {"CDelay", 107, 4, 0.33300370000000001},
      {"Tremolo", 103, 0, 0.185},
      {"Tremolo", 104, 2, 2.2199999999999998},
      {"Tremolo", 106, 1, 37},
  };
  for (const Write& e : expected) {
    ClampingSlots slots = Plugin(e.plugin).Defaults();
    ApplyPosition(*FindBinding(*Plugin(e.plugin).page, e.control), 37, slots);
    EXPECT_NEAR(slots.Get(e.slot), e.value, std::fabs(e.value) * 1e-14)
        << e.plugin << " " << e.control;
  }
  for (const test::PluginCase& plugin : test::AllPlugins()) {
    ClampingSlots slots = plugin.Defaults();
    const ControlBinding& slider = *FindBinding(*plugin.page, 101);
    ApplyPosition(slider, 37, slots);
    EXPECT_DOUBLE_EQ(slots.Get(slider.slot), 0.78) << plugin.name;
  }
}

TEST(WorkedExamples, ControlsWithoutBindingHaveNoPosition) {
  const ClampingSlots slots = Plugin("Tremolo").Defaults();
  EXPECT_EQ(PositionFromParameter(kTremoloPage, 102, slots), 0xFFFF);
  EXPECT_EQ(PositionFromParameter(kTremoloPage, 108, slots), 0xFFFF);
  EXPECT_EQ(PositionFromParameter(kPhaserPage, 109, slots), 0xFFFF);
}

struct PublishedTexts {
  const PageTable* page;
  const char* title;
  const char* helpFile;
  int contextMenu;
  int aboutDialog;
  int aboutBitmap;
  const char* aboutMenuText;
};

// A page table is tied to its effect by type: a plug-in given another effect's
// page does not compile.
static_assert(!std::is_convertible_v<const PageTableOf<Phaser>&, const PageTableOf<Flanger>&>);
static_assert(std::is_convertible_v<const PageTableOf<Flanger>&, const PageTable&>);

TEST(PublishedConstants, TitlesHelpFilesResourcesAndMenuTexts) {
  const PublishedTexts expected[] = {
      {&kPhaserPage, "ORKVPhaser", "ORKVPhaser.HLP", 117, 115, 112, "&About KV Phaser..."},
      {&kChorusPage, "ORKVChorus", "ORKVChorus.HLP", 117, 118, 115, "&About KV Chorus..."},
      {&kFilterPage, "ORKVFilter", "ORKVFilter.HLP", 117, 118, 115, "&About KV Filter..."},
      {&kCDelayPage, "ORKVC-Delay", "ORKVCDelay.HLP", 117, 118, 115, "&About KV C-Delay..."},
      {&kFlangerPage, "ORKVFlanger", "ORKVFlanger.HLP", 118, 115, 112, "&About KV Flanger..."},
      {&kTremoloPage, "ORKVTremolo", "ORKVTremolo.HLP", 115, 116, 112, "&About KV Tremolo..."},
  };
  for (const PublishedTexts& e : expected) {
    SCOPED_TRACE(e.title);
    EXPECT_STREQ(e.page->title, e.title);
    EXPECT_STREQ(e.page->helpFile, e.helpFile);
    EXPECT_EQ(e.page->contextMenuResource, e.contextMenu);
    EXPECT_EQ(e.page->aboutDialogResource, e.aboutDialog);
    EXPECT_EQ(e.page->aboutBitmapResource, e.aboutBitmap);
    EXPECT_STREQ(e.page->aboutMenuText, e.aboutMenuText);
  }
}

TEST(PublishedConstants, RangesTagsAndHelpContexts) {
  struct Expected {
    int control, lower, upper;
    const char* tag;
    std::uint32_t help;
  };
  const Expected expected[] = {{101, 0, 300, "Volume", 9}, {102, 0, 100, "Freq", 3},
                               {103, 0, 100, "Hz", 4},     {104, 0, 100, "Rate", 6},
                               {105, 1, 200, "Mix", 8},    {106, 0, 180, "Deg", 5},
                               {107, 0, 100, "Feed", 7}};
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.control);
    const ControlRange* range = FindRange(e.control);
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->lower, e.lower);
    EXPECT_EQ(range->upper, e.upper);
    EXPECT_STREQ(range->tag, e.tag);
    EXPECT_EQ(HelpContextFor(kPhaserPage.helpContexts, e.control), e.help);
  }
  EXPECT_EQ(HelpContextFor(kPhaserPage.helpContexts, 108), 2u);
  EXPECT_EQ(HelpContextFor(kTremoloPage.helpContexts, 102), 2u);
  EXPECT_EQ(HelpContextFor(kTremoloPage.helpContexts, 104), 6u);
}

void ExpectLayout(std::span<const ControlPlacement> got,
                  std::span<const ControlPlacement> expected) {
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].windowText);
    EXPECT_EQ(got[i].control, expected[i].control);
    EXPECT_STREQ(got[i].windowText, expected[i].windowText);
    EXPECT_EQ(std::vector({got[i].x, got[i].y, got[i].width, got[i].height}),
              std::vector({expected[i].x, expected[i].y, expected[i].width, expected[i].height}));
  }
}

TEST(PublishedConstants, LayoutsInCreationOrder) {
  const ControlPlacement standard[] = {
      {101, "Volume", 382, 14, 23, 84}, {102, "Freq", 9, 8, 40, 40},
      {103, "Depth", 67, 8, 40, 40},    {104, "Rate", 9, 60, 40, 40},
      {105, "Mix", 125, 60, 40, 40},    {106, "Degree", 125, 8, 40, 40},
      {107, "Feed", 67, 60, 40, 40},    {108, "Display", 185, 32, 150, 50}};
  const ControlPlacement tremolo[] = {{101, "Volume", 382, 14, 23, 84},
                                      {103, "Depth", 9, 20, 40, 40},
                                      {106, "Degree", 125, 20, 40, 40},
                                      {104, "Rate", 67, 48, 40, 40},
                                      {108, "Display", 185, 32, 150, 50}};
  for (const PageTable* page : std::initializer_list<const PageTable*>{
           &kPhaserPage, &kChorusPage, &kFlangerPage, &kFilterPage, &kCDelayPage}) {
    SCOPED_TRACE(page->title);
    ExpectLayout(page->layout, standard);
  }
  ExpectLayout(kTremoloPage.layout, tremolo);
}

}  // namespace
}  // namespace orkv::page_model
