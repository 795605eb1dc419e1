// C-Delay: per channel group, a chorus tap at 35 ms with feedback 0.3 and a
// delay tap at Delay ms with feedback Feed, each with its own line and swept by
// one sine LFO at different phases; their average is blended with the dry input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "core/parameter_block.h"
#include "effects/common/delay_line.h"
#include "effects/common/oscillator.h"

namespace orkv {

class CDelayDsp;

struct CDelay {
  static constexpr std::size_t kSlotCount = 7;
  // The effect word of its identity row in the public plug-in table.
  static constexpr const char* kName = "C-Delay";
  // At 0 Hz the oscillator's step is not a number; every other rate works.
  static constexpr std::uint32_t kMinSampleRate = 1;

  enum Slot : std::size_t { kDelay, kDepth, kDegree, kRate, kFeed, kMix, kVolume };

  static constexpr std::array<SlotSpec, kSlotCount> kSlots{{
      {"Delay", "ms", 50, 1000, 350},
      {"Depth", "ms", 0.2, 3.5, 3.5},
      {"Degree", "degrees", 0, 180, 180},
      {"Rate", "Hz", 0, 2, 0.3},
      {"Feed", "fraction", 0, 0.9, 0.45},
      {"Mix", "fraction", 0, 0.5, 0.5},
      {"Volume", "dB", -15, 3, 0},
  }};

  static constexpr std::array<PresetRow<kSlotCount>, 8> kPresets{{
      {"(Default)", {350, 3.5, 180, 0.3, 0.45, 0.5, 0}},
      {"D-Chorus", {58.07, 3.5, 180, 0.6, 0.14, 0.5, 0}},
      {"Reflection", {115.68, 3.5, 180, 0.0, 0.19, 0.5, 0}},
      {"Mono Delay", {445.37, 0.2, 0.48, 0.0, 0.51, 0.5, 0}},
      {"Stereo Delay", {445.37, 3.5, 180, 0.0, 0.51, 0.5, 0}},
      {"Long C-Delay", {1000, 1.28, 180, 0.68, 0.53, 0.5, 0}},
      {"Infinity detuning", {186.81, 3.5, 180, 0.82, 0.9, 0.34, 0}},
      {"Please repeat!", {533.06, 3.5, 180, 0.0, 0.0, 0.5, 0}},
  }};

  using Dsp = CDelayDsp;
};

class CDelayDsp {
 public:
  static constexpr std::int32_t kLineLength = 48500;

  bool Reset(std::uint32_t sampleRate);
  void UpdateCoefficients(const ParameterBlock<CDelay::kSlotCount>& block);
  void Process(const std::int16_t* in, bool mono, std::int16_t* out, std::uint32_t frames);
  void Process(const float* in, bool mono, float* out, std::uint32_t frames);

  std::uint32_t FrameCounter() const { return frameCounter_; }
  std::int32_t WritePosition() const { return writePos_; }
  std::int32_t LineLength() const { return left_.chorus.Length(); }

 private:
  // One channel's pair of lines: chorus tap and delay tap. The four lines
  // (1552000 bytes) are allocated with the engine; Reset grows them only for
  // sample rates whose longest delay does not fit.
  struct Group {
    DelayLine chorus{kLineLength};
    DelayLine delay{kLineLength};
  };

  // Where the four taps read in each frame of a block.
  struct Plan {
    DelayLine::TapBlock leftChorus;
    DelayLine::TapBlock leftDelay;
    DelayLine::TapBlock rightChorus;
    DelayLine::TapBlock rightDelay;
  };

  template <class Sample>
  void Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames);
  // The oscillator's part of the next `count` frames, from the frame counter.
  void PlanBlock(std::uint32_t count, Plan& plan) const;
  double ProcessGroup(Group& group, std::int32_t writePos, double x, DelayLine::TapRead chorusTap,
                      DelayLine::TapRead delayTap);
  void ClearLines();

  static constexpr double kChorusDelay = 35.0;  // ms
  static constexpr double kChorusFeedback = 0.3;
  static constexpr double kQuarterOffset = 1.5707;  // radians, this decimal (not pi/2)

  std::uint32_t frameCounter_ = 0;
  std::int32_t writePos_ = 0;
  double samplesPerMs_ = 0.0;
  double radiansPerSample_ = 0.0;

  double lastDelay_ = std::numeric_limits<double>::quiet_NaN();
  double delayTime_ = 0.0;
  double depth_ = 0.0;
  double phaseOffset_ = 0.0;
  double offsetPlusQuarter_ = 0.0;
  double lfoIncrement_ = 0.0;
  double feedback_ = 0.0;
  double wetShare_ = 0.0;
  double dryShare_ = 0.0;
  double volumeGain_ = 0.0;

  Group left_;
  Group right_;
};

}  // namespace orkv
