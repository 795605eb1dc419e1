#include "effects/tremolo/tremolo.h"

#include <algorithm>

#include "effects/common/dsp_math.h"
#include "effects/common/oscillator.h"
#include "effects/common/sample_io.h"

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
  double left[kBlockFrames];
  double right[kBlockFrames];
  for (std::uint32_t done = 0; done < frames;) {
    const std::uint32_t count = std::min(frames - done, kBlockFrames);
    Cosines(frameCounter_, phaseIncrement_, count, left);
    CosinesAt(frameCounter_, phaseIncrement_, phaseOffset_, count, right);
    for (std::uint32_t j = 0; j < count; ++j) {
      const std::uint32_t i = done + j;
      const StereoIn x = ReadFrame(in, mono, i);
      WriteFrame(out, i, Modulate(x.left, left[j]), Modulate(x.right, right[j]));
    }
    frameCounter_ += count;
    done += count;
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
