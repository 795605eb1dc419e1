// Chorus: per channel, input plus feedback into a circular delay line read by
// two voices, modulated taps whose delays a sine LFO sweeps around a centre of
// a few tens of milliseconds; the second voice sits 1.4 ms shorter and 1 radian
// ahead. The voices' average is blended with the dry input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/parameter_block.h"
#include "effects/common/delay_line.h"
#include "effects/common/depth_link.h"
#include "effects/common/oscillator.h"

namespace orkv {

class ChorusDsp;

struct Chorus {
  static constexpr std::size_t kSlotCount = 8;
  // The effect word of its identity row in the public plug-in table.
  static constexpr const char* kName = "Chorus";
  // At 0 Hz the oscillator's step is not a number; every other rate works.
  static constexpr std::uint32_t kMinSampleRate = 1;

  // Slot 0 is the first voice's centre delay (labelled "Freq" on the page).
  enum Slot : std::size_t { kDelay, kDeviation, kDegree, kRate, kFeed, kMix, kDepth, kVolume };
  static constexpr DepthLink kDepthLink{kDepth, kDelay, kDeviation};

  static constexpr std::array<SlotSpec, kSlotCount> kSlots{{
      {"Freq", "ms", 8, 30, 26.26},
      {"Deviation", "ms", 0.8, 12, 4.35916},
      {"Degree", "degrees", 0, 180, 180},
      {"Rate", "Hz", 0, 2, 0.26},
      {"Feed", "factor", 0, 0.7, 0.07},
      {"Mix", "fraction", 0, 0.5, 0.5},
      {"Depth", "percent", 10, 40, 16.6},
      {"Volume", "dB", -15, 3, 0},
  }};

  static constexpr std::array<PresetRow<kSlotCount>, 6> kPresets{{
      {"(Default)", {26.26, 4.35916, 180, 0.26, 0.07, 0.5, 16.6, 0}},
      {"Going...", {13.5, 2.889, 2.31405, 1.02, 0, 0.5, 21.4, 0}},
      {"Fattener", {30, 12, 180, 0.04, 0.48, 0.5, 40, 0}},
      {"Soft mono Chorus", {14.82, 2.8158, 0.48, 0.54, 0, 0.5, 19, 0}},
      {"Wide Chorus", {30, 8.67, 180, 0.3, 0.34, 0.5, 28.9, 0}},
      {"Shimmer", {11.3, 4.52, 14.98425, 1.3, 0, 0.5, 40, 0}},
  }};

  using Dsp = ChorusDsp;
};

class ChorusDsp {
 public:
  static constexpr std::int32_t kLineLength = 2048;

  bool Reset(std::uint32_t sampleRate);
  void UpdateCoefficients(const ParameterBlock<Chorus::kSlotCount>& block);
  void Process(const std::int16_t* in, bool mono, std::int16_t* out, std::uint32_t frames);
  void Process(const float* in, bool mono, float* out, std::uint32_t frames);

  std::uint32_t FrameCounter() const { return frameCounter_; }
  std::int32_t WritePosition() const { return writePos_; }
  std::int32_t LineLength() const { return left_.line.Length(); }

 private:
  struct Channel {
    DelayLine line{kLineLength};
    double voice1Memory = 0.0;
    double voice2Memory = 0.0;
  };

  // Voices: left 1 and 2, right 1 and 2.
  static constexpr std::size_t kVoices = 4;
  // Where every voice reads in each frame of a block; both lines have the
  // same length, so one position serves either.
  struct Plan {
    DelayLine::TapBlock taps[kVoices];
  };

  template <class Sample>
  void Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames);
  // The oscillator's part of the next `count` frames, from the frame counter.
  void PlanBlock(std::uint32_t count, Plan& plan) const;
  // Reads both voices, writes the line; returns the channel's result.
  double ProcessChannel(Channel& channel, std::int32_t writePos, double x,
                        DelayLine::TapRead voice1, DelayLine::TapRead voice2);

  // The second voice runs this far ahead in phase (radians) and short in delay (ms).
  static constexpr double kVoicePhaseOffset = 1.0;
  static constexpr double kVoiceDelayOffset = 1.4;

  std::uint32_t frameCounter_ = 0;
  std::int32_t writePos_ = 0;
  double framesPerMs_ = 0.0;
  double radiansPerSample_ = 0.0;

  double deviation_ = 0.0;
  double feed_ = 0.0;
  double mix_ = 0.0;
  double rightPhaseOffset_ = 0.0;
  double rightVoice2PhaseOffset_ = 0.0;
  double voice1Centre_ = 0.0;
  double voice2Centre_ = 0.0;
  double dryGain_ = 0.0;
  double phaseIncrement_ = 0.0;
  double volumeGain_ = 0.0;

  Channel left_;
  Channel right_;
};

}  // namespace orkv
