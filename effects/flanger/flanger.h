// Flanger: per channel, input plus feedback into a short circular delay line
// read by one modulated tap whose delay a sine LFO sweeps around a centre of a
// few milliseconds; the tap's signal is blended with the dry input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/parameter_block.h"
#include "effects/common/delay_line.h"
#include "effects/common/depth_link.h"
#include "effects/common/oscillator.h"

namespace orkv {

class FlangerDsp;

struct Flanger {
  static constexpr std::size_t kSlotCount = 8;
  // The effect word of its identity row in the public plug-in table.
  static constexpr const char* kName = "Flanger";
  // At 0 Hz the oscillator's step is not a number; every other rate works.
  static constexpr std::uint32_t kMinSampleRate = 1;

  // Slot 0 is the tap's centre delay (labelled "Freq" on the page).
  enum Slot : std::size_t { kDelay, kDeviation, kDegree, kRate, kFeed, kMix, kDepth, kVolume };
  static constexpr DepthLink kDepthLink{kDepth, kDelay, kDeviation};

  static constexpr std::array<SlotSpec, kSlotCount> kSlots{{
      {"Freq", "ms", 0.5, 8, 2.975},
      {"Deviation", "ms", 0.05, 7.68, 0.86275},
      {"Degree", "degrees", 0, 180, 45},
      {"Rate", "Hz", 0, 2, 0.4},
      {"Feed", "factor", 0, 0.8, 0.4},
      {"Mix", "fraction", 0, 0.5, 0.5},
      {"Depth", "percent", 10, 96, 29},
      {"Volume", "dB", -15, 3, 0},
  }};

  static constexpr std::array<PresetRow<kSlotCount>, 7> kPresets{{
      {"(Default)", {2.975, 0.86275, 45, 0.4, 0.4, 0.5, 29, 0}},
      {"Liquid Flanger", {1.175, 0.78, 30, 0.06, 0.72, 0.5, 66.76, 0}},
      {"Almost Chorus", {8, 7.68, 180, 0.2, 0, 0.5, 96, 0}},
      {"Mono Flanger", {2.975, 1.704675, 0, 0.4, 0.54, 0.5, 57.3, 0}},
      {"Oscillations", {4.475, 1.52508, 180, 2, 0.2, 0.5, 34.08, 0}},
      {"Two combs", {1.85, 1.776, 180, 0, 0.17, 0.5, 96, 0}},
      {"Extra feedback", {3.65, 3.1901, 180, 0.06, 0.8, 0.5, 87.4, 0}},
  }};

  using Dsp = FlangerDsp;
};

class FlangerDsp {
 public:
  static constexpr std::int32_t kLineLength = 1024;

  bool Reset(std::uint32_t sampleRate);
  void UpdateCoefficients(const ParameterBlock<Flanger::kSlotCount>& block);
  void Process(const std::int16_t* in, bool mono, std::int16_t* out, std::uint32_t frames);
  void Process(const float* in, bool mono, float* out, std::uint32_t frames);

  std::uint32_t FrameCounter() const { return frameCounter_; }
  std::int32_t WritePosition() const { return writePos_; }
  std::int32_t LineLength() const { return left_.line.Length(); }

 private:
  struct Channel {
    DelayLine line{kLineLength};
    double tapMemory = 0.0;
  };

  // Where each channel's tap reads in each frame of a block (both lines have
  // one length).
  struct Plan {
    DelayLine::TapBlock left;
    DelayLine::TapBlock right;
  };

  template <class Sample>
  void Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames);
  // The oscillator's part of the next `count` frames, from the frame counter.
  void PlanBlock(std::uint32_t count, Plan& plan) const;
  // Reads the tap, writes the line; returns the channel's result.
  double ProcessChannel(Channel& channel, std::int32_t writePos, double x, DelayLine::TapRead tap);

  std::uint32_t frameCounter_ = 0;
  std::int32_t writePos_ = 0;
  double framesPerMs_ = 0.0;
  double radiansPerSample_ = 0.0;

  double centre_ = 0.0;
  double deviation_ = 0.0;
  double feed_ = 0.0;
  double mix_ = 0.0;
  double rightPhaseOffset_ = 0.0;
  double dryGain_ = 0.0;
  double phaseIncrement_ = 0.0;
  double volumeGain_ = 0.0;

  Channel left_;
  Channel right_;
};

}  // namespace orkv
