#include "effects/flanger/flanger.h"

#include <algorithm>
#include <initializer_list>

#include "effects/common/dsp_math.h"
#include "effects/common/oscillator.h"
#include "effects/common/sample_io.h"

namespace orkv {

bool FlangerDsp::Reset(std::uint32_t sampleRate) {
  const auto fs = static_cast<double>(sampleRate);
  framesPerMs_ = fs * 0.001;
  radiansPerSample_ = kTwoPi / fs;
  // The longest delay any settings give (15.68 ms) must fit; above about
  // 65.3 kHz that takes more than 1024 frames.
  const double longest =
      (Flanger::kSlots[Flanger::kDeviation].upper + Flanger::kSlots[Flanger::kDelay].upper) *
      framesPerMs_;
  const std::int32_t length = LineLengthFor(kLineLength, longest);
  for (Channel* c : {&left_, &right_}) {
    if (!c->line.SetLength(length)) return false;
    c->line.Clear();
    c->tapMemory = 0.0;
  }
  frameCounter_ = 0;
  writePos_ = 0;
  return true;
}

void FlangerDsp::UpdateCoefficients(const ParameterBlock<Flanger::kSlotCount>& block) {
  rightPhaseOffset_ = DegreesToRadians(block[Flanger::kDegree]);
  dryGain_ = 1.0 - block[Flanger::kMix];
  phaseIncrement_ = radiansPerSample_ * block[Flanger::kRate];
  volumeGain_ = DecibelsToGain(block[Flanger::kVolume]);
  centre_ = block[Flanger::kDelay];
  deviation_ =
      SweepDeviation(block[Flanger::kDeviation], Flanger::kSlots[Flanger::kDepth].upper, centre_);
  feed_ = block[Flanger::kFeed];
  mix_ = block[Flanger::kMix];
}

void FlangerDsp::PlanBlock(std::uint32_t count, Plan& plan) const {
  double sines[kBlockFrames];
  Sines(frameCounter_, phaseIncrement_, count, sines);
  left_.line.LocateSwept(sines, count, centre_, deviation_, framesPerMs_, writePos_, plan.left);
  SinesAt(frameCounter_, phaseIncrement_, rightPhaseOffset_, count, sines);
  left_.line.LocateSwept(sines, count, centre_, deviation_, framesPerMs_, writePos_, plan.right);
}

// Inlined into the per-frame loop (a call per channel and frame costs as much
// as a tap).
[[gnu::always_inline]] inline double FlangerDsp::ProcessChannel(Channel& channel,
                                                                std::int32_t writePos, double x,
                                                                DelayLine::TapRead tap) {
  const double y = channel.line.AllPassTap(tap, channel.tapMemory);
  channel.line.Write(writePos, x + y * feed_);
  return (y * mix_ + x * dryGain_) * volumeGain_;
}

template <class Sample>
void FlangerDsp::Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames) {
  const std::int32_t length = left_.line.Length();
  Plan plan;
  for (std::uint32_t done = 0; done < frames;) {
    const std::uint32_t count = std::min(frames - done, kBlockFrames);
    PlanBlock(count, plan);
    // Kept in a register through the frame loop, not in the object.
    std::int32_t writePos = writePos_;
    for (std::uint32_t j = 0; j < count; ++j) {
      const std::uint32_t i = done + j;
      const StereoIn x = ReadFrame(in, mono, i);
      const double left = ProcessChannel(left_, writePos, x.left, plan.left[j]);
      const double right = ProcessChannel(right_, writePos, x.right, plan.right[j]);
      WriteFrame(out, i, left, right);
      if (++writePos == length) writePos = 0;
    }
    writePos_ = writePos;
    frameCounter_ += count;
    done += count;
  }
}

void FlangerDsp::Process(const std::int16_t* in, bool mono, std::int16_t* out,
                         std::uint32_t frames) {
  Run(in, mono, out, frames);
}

void FlangerDsp::Process(const float* in, bool mono, float* out, std::uint32_t frames) {
  Run(in, mono, out, frames);
}

}  // namespace orkv
