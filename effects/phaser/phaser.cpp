#include "effects/phaser/phaser.h"

#include <algorithm>

#include "effects/common/dsp_math.h"
#include "effects/common/oscillator.h"
#include "effects/common/sample_io.h"

namespace orkv {
namespace {

// One second-order all-pass section in the form that shares histories:
// y = x(two back) + a1 (x(one back) - y(one back)) + a2 (x - y(two back)).
template <class History, class Value>
Value AllPassSection(const History& in, Value x, const History& out, Value a1, Value a2) {
  return in.two + a1 * (in.one - out.one) + a2 * (x - out.two);
}

}  // namespace

bool PhaserDsp::Reset(std::uint32_t sampleRate) {
  frameCounter_ = 0;
  chain_ = Chain{};
  const auto fs = static_cast<double>(sampleRate);
  anglePerHertz_ = kPi / fs;
  radiansPerSample_ = kTwoPi / fs;
  return true;
}

void PhaserDsp::UpdateCoefficients(const ParameterBlock<Phaser::kSlotCount>& block) {
  phaseOffset_ = DegreesToRadians(block[Phaser::kDegree]);
  dryGain_ = 1.0 - block[Phaser::kMix];
  phaseIncrement_ = radiansPerSample_ * block[Phaser::kRate];
  volumeGain_ = DecibelsToGain(block[Phaser::kVolume]);
  freq_ = block[Phaser::kFreq];
  deviation_ =
      SweepDeviation(block[Phaser::kDeviation], Phaser::kSlots[Phaser::kDepth].upper, freq_);
  feed_ = block[Phaser::kFeed];
  mix_ = block[Phaser::kMix];
}

void PhaserDsp::PlanBlock(std::uint32_t count, Plan& plan) const {
  double sines[kBlockFrames];
  Sines(frameCounter_, phaseIncrement_, count, sines);
  PlanSections(sines, count, 0, plan);
  SinesAt(frameCounter_, phaseIncrement_, phaseOffset_, count, sines);
  PlanSections(sines, count, 1, plan);
}

void PhaserDsp::PlanSections(const double* lfoSines, std::uint32_t count, int lane,
                             Plan& plan) const {
  for (std::uint32_t i = 0; i < count; ++i) {
    // The corner f = Freq + deviation x sin may not fall below 0 Hz (the page's
    // Depth of 100 % can give a deviation an ulp above Freq): a negative w would
    // make k exceed 1 and the sections unstable.
    double corner = lfoSines[i] * deviation_ + freq_;
    if (corner < 0.0) corner = 0.0;
    const double w = corner * anglePerHertz_;
    const double k = (1.0 - w) / (1.0 + w);
    plan.a1[i][lane] = -2.0 * k;
    plan.a2[i][lane] = k * k;
  }
}

bool PhaserDsp::AtRest() const {
  const Stereo all[] = {chain_.u.one,  chain_.u.two,  chain_.y1.one, chain_.y1.two,
                        chain_.y2.one, chain_.y2.two, chain_.y3.one, chain_.y3.two};
  for (const Stereo& memory : all) {
    if (memory[0] != 0.0 || memory[1] != 0.0) return false;
  }
  return true;
}

// Inlined into the per-frame loop (a call per frame costs as much as a section).
[[gnu::always_inline]] inline PhaserDsp::Stereo PhaserDsp::ProcessFrame(Stereo x, Stereo a1,
                                                                        Stereo a2) {
  Chain& chain = chain_;
  const Stereo u = x + feed_ * chain.y3.one;
  const Stereo y1 = AllPassSection(chain.u, u, chain.y1, a1, a2);
  const Stereo y2 = AllPassSection(chain.y1, y1, chain.y2, a1, a2);
  const Stereo y3 = AllPassSection(chain.y2, y2, chain.y3, a1, a2);
  chain.u.Push(u);
  chain.y1.Push(y1);
  chain.y2.Push(y2);
  chain.y3.Push(y3);
  // The dry term is the input itself, not u.
  return (dryGain_ * x + mix_ * y3) * volumeGain_;
}

template <class Sample>
void PhaserDsp::Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames) {
  Plan plan;
  for (std::uint32_t done = 0; done < frames;) {
    const std::uint32_t count = std::min(frames - done, kBlockFrames);
    PlanBlock(count, plan);
    for (std::uint32_t j = 0; j < count; ++j) {
      const std::uint32_t i = done + j;
      const StereoIn x = ReadFrame(in, mono, i);
      const Stereo y = ProcessFrame(Stereo{x.left, x.right}, plan.a1[j], plan.a2[j]);
      WriteFrame(out, i, y[0], y[1]);
    }
    frameCounter_ += count;
    done += count;
  }
}

void PhaserDsp::Process(const std::int16_t* in, bool mono, std::int16_t* out,
                        std::uint32_t frames) {
  Run(in, mono, out, frames);
}

void PhaserDsp::Process(const float* in, bool mono, float* out, std::uint32_t frames) {
  Run(in, mono, out, frames);
}

}  // namespace orkv
