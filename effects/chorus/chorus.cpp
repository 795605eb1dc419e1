#include "effects/chorus/chorus.h"

#include <initializer_list>

#include "effects/common/dsp_math.h"
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

double ChorusDsp::ProcessChannel(Channel& channel, double x, double angle1, double angle2) {
  const double t1 =
      channel.line.AllPassTap(SweptDelayFrames(angle1, voice1Centre_, deviation_, framesPerMs_),
                              writePos_, channel.voice1Memory);
  const double t2 =
      channel.line.AllPassTap(SweptDelayFrames(angle2, voice2Centre_, deviation_, framesPerMs_),
                              writePos_, channel.voice2Memory);
  const double wet = (t2 + t1) * 0.5;
  // Both voices have read before the current frame goes in.
  channel.line.Write(writePos_, x + wet * feed_);
  return (wet * mix_ + x * dryGain_) * volumeGain_;
}

template <class Sample>
void ChorusDsp::Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames) {
  const std::int32_t length = left_.line.Length();
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double theta = static_cast<double>(frameCounter_) * phaseIncrement_;
    const StereoIn x = ReadFrame(in, mono, i);
    const double left = ProcessChannel(left_, x.left, theta, theta + kVoicePhaseOffset);
    const double right =
        ProcessChannel(right_, x.right, theta + rightPhaseOffset_, theta + rightVoice2PhaseOffset_);
    WriteFrame(out, i, left, right);
    if (++writePos_ == length) writePos_ = 0;
    ++frameCounter_;
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
