#include "effects/filter/filter.h"

#include "effects/common/dsp_math.h"
#include "effects/common/sample_io.h"
#include "effects/common/sine.h"

namespace orkv {

ResonatorCoefficients ResonatorFor(double frequency, double radiansPerSample,
                                   double bandwidthFactor) {
  const double w = frequency * radiansPerSample;
  const double s = Sine(w * bandwidthFactor);
  const double a2 = (1.0 - s) / (s + 1.0);
  const double a1 = (-Cosine(w) * a2 * 4.0) / (a2 + 1.0);
  const double g0 = (a1 + a2) + 1.0;
  return {g0, a1, a2};
}

bool FilterDsp::Reset(std::uint32_t sampleRate) {
  frameCounter_ = 0;
  left_ = Memory{};
  right_ = Memory{};
  radiansPerSample_ = kTwoPi / static_cast<double>(sampleRate);
  return true;
}

void FilterDsp::UpdateCoefficients(const ParameterBlock<Filter::kSlotCount>& block) {
  phaseOffset_ = DegreesToRadians(block[Filter::kDegree]);
  dryShare_ = 1.0 - block[Filter::kMix];
  wetShare_ = block[Filter::kMix];
  lfoIncrement_ = radiansPerSample_ * block[Filter::kRate];
  bandwidthFactor_ = 1.0 / (block[Filter::kFeed] + block[Filter::kFeed]);
  volumeGain_ = DecibelsToGain(block[Filter::kVolume]);
  centre_ = block[Filter::kFreq];
  // Depth applies only while the LFO runs (exactly 0 Hz holds it at rest).
  appliedDepth_ = block[Filter::kRate] != 0.0 ? block[Filter::kDepth] : 0.0;
}

double FilterDsp::ProcessChannel(Memory& memory, double x, double lfoSine) const {
  const double f = centre_ * (1.0 + appliedDepth_ * lfoSine);
  const ResonatorCoefficients c = ResonatorFor(f, radiansPerSample_, bandwidthFactor_);
  const double y = (c.g0 * x - c.a1 * memory.y1) - c.a2 * memory.y2;
  memory.y2 = memory.y1;
  memory.y1 = y;
  return (y * wetShare_ + x * dryShare_) * volumeGain_;
}

template <class Sample>
void FilterDsp::Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames) {
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double theta = static_cast<double>(frameCounter_) * lfoIncrement_;
    const StereoIn x = ReadFrame(in, mono, i);
    const double left = ProcessChannel(left_, x.left, Sine(theta));
    const double right = ProcessChannel(right_, x.right, Sine(theta + phaseOffset_));
    WriteFrame(out, i, left, right);
    ++frameCounter_;
  }
}

void FilterDsp::Process(const std::int16_t* in, bool mono, std::int16_t* out,
                        std::uint32_t frames) {
  Run(in, mono, out, frames);
}

void FilterDsp::Process(const float* in, bool mono, float* out, std::uint32_t frames) {
  Run(in, mono, out, frames);
}

}  // namespace orkv
