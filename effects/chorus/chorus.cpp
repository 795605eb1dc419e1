#include "effects/chorus/chorus.h"

#include <algorithm>
#include <initializer_list>

#include "effects/common/dsp_math.h"
#include "effects/common/oscillator.h"
#include "effects/common/sample_io.h"

namespace orkv {

bool ChorusDsp::Reset(std::uint32_t sampleRate) {
  const auto fs = static_cast<double>(sampleRate);
  framesPerMs_ = fs * 0.001;
  radiansPerSample_ = kTwoPi / fs;
  // The longest delay any settings give (deviation and centre at their tops,
  // 42 ms) must fit; above about 48.8 kHz that takes more than 2048 frames.
  const double longest =
      (Chorus::kSlots[Chorus::kDeviation].upper + Chorus::kSlots[Chorus::kDelay].upper) *
      framesPerMs_;
  const std::int32_t length = LineLengthFor(kLineLength, longest);
  for (Channel* c : {&left_, &right_}) {
    if (!c->line.SetLength(length)) return false;
    c->line.Clear();
    c->voice1Memory = 0.0;
    c->voice2Memory = 0.0;
  }
  frameCounter_ = 0;
  writePos_ = 0;
  return true;
}

void ChorusDsp::UpdateCoefficients(const ParameterBlock<Chorus::kSlotCount>& block) {
  rightPhaseOffset_ = DegreesToRadians(block[Chorus::kDegree]);
  rightVoice2PhaseOffset_ = rightPhaseOffset_ + kVoicePhaseOffset;
  dryGain_ = 1.0 - block[Chorus::kMix];
  phaseIncrement_ = radiansPerSample_ * block[Chorus::kRate];
  voice1Centre_ = block[Chorus::kDelay];
  voice2Centre_ = block[Chorus::kDelay] - kVoiceDelayOffset;
  volumeGain_ = DecibelsToGain(block[Chorus::kVolume]);
  deviation_ = SweepDeviation(block[Chorus::kDeviation], Chorus::kSlots[Chorus::kDepth].upper,
                              block[Chorus::kDelay]);
  feed_ = block[Chorus::kFeed];
  mix_ = block[Chorus::kMix];
}

void ChorusDsp::PlanBlock(std::uint32_t count, Plan& plan) const {
  double sines[kBlockFrames];
  const double offsets[kVoices] = {0.0, kVoicePhaseOffset, rightPhaseOffset_,
                                   rightVoice2PhaseOffset_};
  const double centres[kVoices] = {voice1Centre_, voice2Centre_, voice1Centre_, voice2Centre_};
  for (std::size_t v = 0; v < kVoices; ++v) {
    if (v == 0) {
      Sines(frameCounter_, phaseIncrement_, count, sines);
    } else {
      SinesAt(frameCounter_, phaseIncrement_, offsets[v], count, sines);
    }
    left_.line.LocateSwept(sines, count, centres[v], deviation_, framesPerMs_, writePos_,
                           plan.taps[v]);
  }
}

// Inlined into the per-frame loop (a call per channel and frame costs as much
// as a tap).
[[gnu::always_inline]] inline double ChorusDsp::ProcessChannel(Channel& channel,
                                                               std::int32_t writePos, double x,
                                                               DelayLine::TapRead voice1,
                                                               DelayLine::TapRead voice2) {
  const double t1 = channel.line.AllPassTap(voice1, channel.voice1Memory);
  const double t2 = channel.line.AllPassTap(voice2, channel.voice2Memory);
  const double wet = (t2 + t1) * 0.5;
  // Both voices have read before the current frame goes in.
  channel.line.Write(writePos, x + wet * feed_);
  return (wet * mix_ + x * dryGain_) * volumeGain_;
}

template <class Sample>
void ChorusDsp::Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames) {
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
      const double left = ProcessChannel(left_, writePos, x.left, plan.taps[0][j], plan.taps[1][j]);
      const double right =
          ProcessChannel(right_, writePos, x.right, plan.taps[2][j], plan.taps[3][j]);
      WriteFrame(out, i, left, right);
      if (++writePos == length) writePos = 0;
    }
    writePos_ = writePos;
    frameCounter_ += count;
    done += count;
  }
}

void ChorusDsp::Process(const std::int16_t* in, bool mono, std::int16_t* out,
                        std::uint32_t frames) {
  Run(in, mono, out, frames);
}

void ChorusDsp::Process(const float* in, bool mono, float* out, std::uint32_t frames) {
  Run(in, mono, out, frames);
}

}  // namespace orkv
