// Tremolo: amplitude modulation by a cosine LFO; the right channel's LFO runs
// Degree ahead, so 180 degrees pans a mono input between the channels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/parameter_block.h"

namespace orkv {

class TremoloDsp;

struct Tremolo {
  static constexpr std::size_t kSlotCount = 4;
  // The effect word of its identity row in the public plug-in table.
  static constexpr const char* kName = "Tremolo";
  // At 0 Hz the oscillator's step is not a number; every other rate works.
  static constexpr std::uint32_t kMinSampleRate = 1;

  enum Slot : std::size_t { kDepth, kDegree, kRate, kVolume };

  static constexpr std::array<SlotSpec, kSlotCount> kSlots{{
      {"Depth", "fraction", 0, 0.5, 0.45},
      {"Degree", "degrees", 0, 180, 90},
      {"Rate", "Hz", 0, 6, 3.0},
      {"Volume", "dB", -15, 3, 0},
  }};

  static constexpr std::array<PresetRow<kSlotCount>, 5> kPresets{{
      {"(Default)", {0.45, 90, 3.0, 0}},
      {"Full depth", {0.5, 10, 6.0, 0}},
      {"Fast stereo Tremolo", {0.4, 180, 6.0, 0}},
      {"Panning", {0.5, 180, 0.12, 0}},
      {"Slow Tremolo", {0.4, 20, 1.08, 0}},
  }};

  using Dsp = TremoloDsp;
};

class TremoloDsp {
 public:
  bool Reset(std::uint32_t sampleRate);
  void UpdateCoefficients(const ParameterBlock<Tremolo::kSlotCount>& block);
  void Process(const std::int16_t* in, bool mono, std::int16_t* out, std::uint32_t frames);
  void Process(const float* in, bool mono, float* out, std::uint32_t frames);

  std::uint32_t FrameCounter() const { return frameCounter_; }

 private:
  template <class Sample>
  void Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames);
  double Modulate(double x, double lfoCosine) const;

  std::uint32_t frameCounter_ = 0;
  double radiansPerSample_ = 0.0;

  double phaseOffset_ = 0.0;
  double baseLevel_ = 0.0;
  double appliedDepth_ = 0.0;
  double phaseIncrement_ = 0.0;
  double volumeGain_ = 0.0;
};

}  // namespace orkv
