#include "effects/filter/filter.h"

#include <algorithm>

#include "effects/common/dsp_math.h"
#include "effects/common/oscillator.h"
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

void FilterDsp::PlanBlock(std::uint32_t count, Plan& plan) const {
  double sines[kBlockFrames];
  Sines(frameCounter_, lfoIncrement_, count, sines);
  PlanResonators(sines, count, plan.left);
  SinesAt(frameCounter_, lfoIncrement_, phaseOffset_, count, sines);
  PlanResonators(sines, count, plan.right);
}

// ResonatorFor, a block of frequencies at a time.
void FilterDsp::PlanResonators(const double* lfoSines, std::uint32_t count,
                               ResonatorPlan& plan) const {
  double s[kBlockFrames];
  double c[kBlockFrames];
  for (std::uint32_t i = 0; i < count; ++i) {
    const double f = centre_ * (1.0 + appliedDepth_ * lfoSines[i]);
    const double w = f * radiansPerSample_;
    s[i] = w * bandwidthFactor_;
    c[i] = w;
  }
  SineBlock(s, count);
  CosineBlock(c, count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const double a2 = (1.0 - s[i]) / (s[i] + 1.0);
    const double a1 = (-c[i] * a2 * 4.0) / (a2 + 1.0);
    plan.g0[i] = (a1 + a2) + 1.0;
    plan.a1[i] = a1;
    plan.a2[i] = a2;
  }
}

// Inlined into the per-frame loop (a call per channel and frame costs as much
// as a tap).
[[gnu::always_inline]] inline double FilterDsp::ProcessChannel(Memory& memory, double x,
                                                               const ResonatorPlan& plan,
                                                               std::uint32_t j) const {
  const double y = (plan.g0[j] * x - plan.a1[j] * memory.y1) - plan.a2[j] * memory.y2;
  memory.y2 = memory.y1;
  memory.y1 = y;
  return (y * wetShare_ + x * dryShare_) * volumeGain_;
}

template <class Sample>
void FilterDsp::Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames) {
  Plan plan;
  for (std::uint32_t done = 0; done < frames;) {
    const std::uint32_t count = std::min(frames - done, kBlockFrames);
    PlanBlock(count, plan);
    for (std::uint32_t j = 0; j < count; ++j) {
      const std::uint32_t i = done + j;
      const StereoIn x = ReadFrame(in, mono, i);
      const double left = ProcessChannel(left_, x.left, plan.left, j);
      const double right = ProcessChannel(right_, x.right, plan.right, j);
      WriteFrame(out, i, left, right);
    }
    frameCounter_ += count;
    done += count;
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
