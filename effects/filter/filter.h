// Filter: a resonant two-pole low-pass per channel whose cut-off a sine LFO
// sweeps around Freq, blended with the dry input. Its coefficients are
// recomputed for every channel of every frame, which keeps the sweep smooth.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/parameter_block.h"
#include "effects/common/oscillator.h"

namespace orkv {

class FilterDsp;

struct Filter {
  static constexpr std::size_t kSlotCount = 7;
  // Below this the resonator's angle can pass pi at the top of the sweep.
  // The effect word of its identity row in the public plug-in table.
  static constexpr const char* kName = "Filter";
  static constexpr std::uint32_t kMinSampleRate = 32000;

  enum Slot : std::size_t { kFreq, kDepth, kDegree, kRate, kFeed, kMix, kVolume };

  static constexpr std::array<SlotSpec, kSlotCount> kSlots{{
      {"Freq", "Hz", 300, 3000, 1200},
      {"Depth", "fraction", 0, 0.9, 0.45},
      {"Degree", "degrees", 0, 180, 90},
      {"Rate", "Hz", 0, 6, 4.0},
      {"Feed", "ratio", 0.2, 10, 3.0},
      {"Mix", "fraction", 0, 1, 1.0},
      {"Volume", "dB", -15, 3, 0},
  }};

  static constexpr std::array<PresetRow<kSlotCount>, 6> kPresets{{
      {"(Default)", {1200, 0.45, 90, 4.0, 3.0, 1.0, 0}},
      {"Slow resonances", {927.0886329, 0.5, 180, 0.06, 10.0, 1.0, -6}},
      {"Voyage", {598.5786957, 0.5, 180, 3.54, 2.0912791, 1.0, -3}},
      {"Wah-Wah", {1089.2341686, 0.8, 0, 0.9, 6.0135911, 1.0, -6}},
      {"Resonant low-pass", {1279.7385621, 0.0, 0, 0.0, 2.3516955, 1.0, -3}},
      {"Panning", {1340.0507826, 0.9, 180, 0.18, 1.3599574, 1.0, -1}},
  }};

  using Dsp = FilterDsp;
};

// y = g0 x - a1 y(one back) - a2 y(two back): a resonator peaking at the given
// frequency, pole radius squared a2, gain exactly 1 at 0 Hz.
struct ResonatorCoefficients {
  double g0;
  double a1;
  double a2;
};
ResonatorCoefficients ResonatorFor(double frequency, double radiansPerSample,
                                   double bandwidthFactor);

class FilterDsp {
 public:
  bool Reset(std::uint32_t sampleRate);
  void UpdateCoefficients(const ParameterBlock<Filter::kSlotCount>& block);
  void Process(const std::int16_t* in, bool mono, std::int16_t* out, std::uint32_t frames);
  void Process(const float* in, bool mono, float* out, std::uint32_t frames);

  std::uint32_t FrameCounter() const { return frameCounter_; }
  // True when every filter memory holds exactly zero.
  bool AtRest() const { return left_ == Memory{} && right_ == Memory{}; }

 private:
  struct Memory {
    double y1 = 0.0;
    double y2 = 0.0;
    bool operator==(const Memory&) const = default;
  };

  // The resonator's coefficients in each frame of a block, per channel.
  struct ResonatorPlan {
    double g0[kBlockFrames];
    double a1[kBlockFrames];
    double a2[kBlockFrames];
  };
  struct Plan {
    ResonatorPlan left;
    ResonatorPlan right;
  };

  template <class Sample>
  void Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames);
  // The oscillator's part of the next `count` frames, from the frame counter.
  void PlanBlock(std::uint32_t count, Plan& plan) const;
  void PlanResonators(const double* lfoSines, std::uint32_t count, ResonatorPlan& plan) const;
  // Frame j of the block.
  double ProcessChannel(Memory& memory, double x, const ResonatorPlan& plan, std::uint32_t j) const;

  std::uint32_t frameCounter_ = 0;
  double radiansPerSample_ = 0.0;

  double centre_ = 0.0;
  double appliedDepth_ = 0.0;
  double phaseOffset_ = 0.0;
  double lfoIncrement_ = 0.0;
  double bandwidthFactor_ = 0.0;
  double wetShare_ = 0.0;
  double dryShare_ = 0.0;
  double volumeGain_ = 0.0;

  Memory left_;
  Memory right_;
};

}  // namespace orkv
