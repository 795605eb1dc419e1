#include "effects/tremolo/tremolo.h"

#include "effects/common/dsp_math.h"
#include "effects/common/sample_io.h"
#include "effects/common/sine.h"

namespace orkv {

bool TremoloDsp::Reset(std::uint32_t sampleRate) {
  frameCounter_ = 0;
  radiansPerSample_ = kTwoPi / static_cast<double>(sampleRate);
  return true;
}

void TremoloDsp::UpdateCoefficients(const ParameterBlock<Tremolo::kSlotCount>& block) {
  phaseOffset_ = DegreesToRadians(block[Tremolo::kDegree]);
  baseLevel_ = 1.0 - block[Tremolo::kDepth];
  phaseIncrement_ = radiansPerSample_ * block[Tremolo::kRate];
  volumeGain_ = DecibelsToGain(block[Tremolo::kVolume]);
  // With the LFO at rest the gain stays at the base level instead of sitting
  // at the LFO's peak.
  appliedDepth_ = block[Tremolo::kRate] != 0.0 ? block[Tremolo::kDepth] : 0.0;
}

double TremoloDsp::Modulate(double x, double lfoCosine) const {
  return ((lfoCosine * appliedDepth_ + baseLevel_) * x) * volumeGain_;
}

template <class Sample>
void TremoloDsp::Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames) {
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double theta = static_cast<double>(frameCounter_) * phaseIncrement_;
    const StereoIn x = ReadFrame(in, mono, i);
    WriteFrame(out, i, Modulate(x.left, Cosine(theta)),
               Modulate(x.right, Cosine(theta + phaseOffset_)));
    ++frameCounter_;
  }
}

void TremoloDsp::Process(const std::int16_t* in, bool mono, std::int16_t* out,
                         std::uint32_t frames) {
  Run(in, mono, out, frames);
}

void TremoloDsp::Process(const float* in, bool mono, float* out, std::uint32_t frames) {
  Run(in, mono, out, frames);
}

}  // namespace orkv
