// Phaser: per channel, input plus feedback through three second-order all-pass
// sections sharing one corner frequency that a sine LFO sweeps around Freq; the
// chain's output is blended with the dry input. The right LFO runs Degree ahead.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/parameter_block.h"
#include "effects/common/depth_link.h"
#include "effects/common/oscillator.h"

namespace orkv {

class PhaserDsp;

struct Phaser {
  static constexpr std::size_t kSlotCount = 8;
  // The effect word of its identity row in the public plug-in table.
  static constexpr const char* kName = "Phaser";
  // Below a few hundred hertz the sweep moves the corner (up to 8 kHz) so far
  // between frames that the sections grow without bound; 1 kHz keeps a margin.
  static constexpr std::uint32_t kMinSampleRate = 1000;

  // Slot 1 is written by the page from "Depth" (slot 6) and is the only one of
  // the two the engine reads.
  enum Slot : std::size_t { kFreq, kDeviation, kDegree, kRate, kFeed, kMix, kDepth, kVolume };
  static constexpr DepthLink kDepthLink{kDepth, kFreq, kDeviation};

  static constexpr std::array<SlotSpec, kSlotCount> kSlots{{
      {"Freq", "Hz", 100, 4000, 700},
      {"Deviation", "Hz", 10, 4000, 382.2},
      {"Degree", "degrees", 0, 180, 90},
      {"Rate", "Hz", 0, 2, 0.3},
      {"Feed", "factor", 0, 0.75, 0.375},
      {"Mix", "fraction", 0, 0.5, 0.5},
      {"Depth", "percent", 10, 100, 54.1},
      {"Volume", "dB", -15, 3, 0},
  }};

  static constexpr std::array<PresetRow<kSlotCount>, 7> kPresets{{
      {"(Default)", {700, 382.2, 90, 0.3, 0.375, 0.5, 54.1, 0}},
      {"Back in the 70's", {849.5617141, 459.6128873, 0, 0.3, 0.6, 0.5, 54.1, 0}},
      {"Wide Phaser", {1060.0309513, 1060.0309513, 180, 0.1, 0, 0.5, 100, 0}},
      {"Nose", {609.5502475, 148.7302604, 30, 0.32, 0.6, 0.5, 24.4, 0}},
      {"Low cut", {100, 27.1, 180, 0.66, 0.43, 0.5, 27.1, 0}},
      {"Resonances", {1912.7058349, 191.2705835, 0, 0, 0.67, 0.5, 10, 0}},
      {"Rotate", {1274.7398353, 460.1810805, 30, 2, 0.18, 0.5, 36.1, 0}},
  }};

  using Dsp = PhaserDsp;
};

class PhaserDsp {
 public:
  bool Reset(std::uint32_t sampleRate);
  void UpdateCoefficients(const ParameterBlock<Phaser::kSlotCount>& block);
  void Process(const std::int16_t* in, bool mono, std::int16_t* out, std::uint32_t frames);
  void Process(const float* in, bool mono, float* out, std::uint32_t frames);

  std::uint32_t FrameCounter() const { return frameCounter_; }
  // True when every filter memory holds exactly zero.
  bool AtRest() const;

 private:
  // Both channels' chains run the same operations, so they run together: lane
  // 0 the left channel, lane 1 the right, each lane computed exactly as the
  // scalar arithmetic would.
  using Stereo = double __attribute__((vector_size(16)));

  // A signal's value one and two frames back.
  struct History {
    Stereo one{};
    Stereo two{};
    void Push(Stereo value) {
      two = one;
      one = value;
    }
  };
  // The chain input u and the three section outputs. Each history serves both
  // the section producing that signal and the one consuming it.
  struct Chain {
    History u, y1, y2, y3;
  };

  // The sections' coefficients in each frame of a block, per channel (lane).
  struct Plan {
    Stereo a1[kBlockFrames];
    Stereo a2[kBlockFrames];
  };

  template <class Sample>
  void Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames);
  // The oscillator's part of the next `count` frames, from the frame counter.
  void PlanBlock(std::uint32_t count, Plan& plan) const;
  void PlanSections(const double* lfoSines, std::uint32_t count, int lane, Plan& plan) const;
  Stereo ProcessFrame(Stereo x, Stereo a1, Stereo a2);

  std::uint32_t frameCounter_ = 0;
  double anglePerHertz_ = 0.0;
  double radiansPerSample_ = 0.0;

  double freq_ = 0.0;
  double deviation_ = 0.0;
  double feed_ = 0.0;
  double mix_ = 0.0;
  double phaseOffset_ = 0.0;
  double dryGain_ = 0.0;
  double phaseIncrement_ = 0.0;
  double volumeGain_ = 0.0;

  Chain chain_;
};

}  // namespace orkv
