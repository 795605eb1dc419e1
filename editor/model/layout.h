// Where the page's controls sit, their ranges and tags, and their help
// contexts. Five plug-ins share one layout; the Tremolo, with three knobs,
// has its own.
#pragma once

#include "editor/model/messages.h"

#include <cstdint>
#include <span>

namespace orkv::page_model {

using editor::kDegreeKnob;
using editor::kDepthKnob;
using editor::kDisplay;
using editor::kFeedKnob;
using editor::kFreqKnob;
using editor::kLevelSlider;
using editor::kMixKnob;
using editor::kRateKnob;

inline constexpr int kPageWidth = 430;
inline constexpr int kPageHeight = 110;

// Child and disabled, not yet visible: the page shows them, the end of the
// display's intro enables them.
inline constexpr std::uint32_t kControlStyle = 0x48000000;

struct ControlPlacement {
  int control;
  const char* windowText;
  int x;
  int y;
  int width;
  int height;
};

// In creation order: slider first, then the knobs, the display last.
inline constexpr ControlPlacement kStandardLayout[] = {
    {kLevelSlider, "Volume", 382, 14, 23, 84}, {kFreqKnob, "Freq", 9, 8, 40, 40},
    {kDepthKnob, "Depth", 67, 8, 40, 40},      {kRateKnob, "Rate", 9, 60, 40, 40},
    {kMixKnob, "Mix", 125, 60, 40, 40},        {kDegreeKnob, "Degree", 125, 8, 40, 40},
    {kFeedKnob, "Feed", 67, 60, 40, 40},       {kDisplay, "Display", 185, 32, 150, 50},
};

inline constexpr ControlPlacement kTremoloLayout[] = {
    {kLevelSlider, "Volume", 382, 14, 23, 84}, {kDepthKnob, "Depth", 9, 20, 40, 40},
    {kDegreeKnob, "Degree", 125, 20, 40, 40},  {kRateKnob, "Rate", 67, 48, 40, 40},
    {kDisplay, "Display", 185, 32, 150, 50},
};

// The range and tag the page sends a slider or knob; the same in every
// plug-in that has the control.
struct ControlRange {
  int control;
  int lower;
  int upper;
  const char* tag;
};

inline constexpr ControlRange kControlRanges[] = {
    {kLevelSlider, 0, 300, "Volume"}, {kFreqKnob, 0, 100, "Freq"}, {kDepthKnob, 0, 100, "Hz"},
    {kRateKnob, 0, 100, "Rate"},      {kMixKnob, 1, 200, "Mix"},   {kDegreeKnob, 0, 180, "Deg"},
    {kFeedKnob, 0, 100, "Feed"},
};

// Null for a control without a range (the display).
const ControlRange* FindRange(int control);

// Pairs of 32-bit numbers ending with a zero pair: the layout the help system
// expects for per-control pop-up help.
struct HelpContextPair {
  std::uint32_t control;
  std::uint32_t context;
};

inline constexpr HelpContextPair kStandardHelpContexts[] = {
    {kLevelSlider, 9}, {kFreqKnob, 3},   {kDepthKnob, 4}, {kRateKnob, 6},
    {kMixKnob, 8},     {kDegreeKnob, 5}, {kFeedKnob, 7},  {0, 0},
};

inline constexpr HelpContextPair kTremoloHelpContexts[] = {
    {kLevelSlider, 9}, {kDepthKnob, 4}, {kRateKnob, 6}, {kDegreeKnob, 5}, {0, 0},
};

// The page information's context, and the one for help not about a listed control.
inline constexpr std::uint32_t kPageHelpContext = 1;
inline constexpr std::uint32_t kGeneralHelpContext = 2;

// The context of a control in a zero-terminated table, or kGeneralHelpContext.
std::uint32_t HelpContextFor(std::span<const HelpContextPair> table, int control);

}  // namespace orkv::page_model
