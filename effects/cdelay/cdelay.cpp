#include "effects/cdelay/cdelay.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

#include "effects/common/dsp_math.h"
#include "effects/common/oscillator.h"
#include "effects/common/sample_io.h"

namespace orkv {

bool CDelayDsp::Reset(std::uint32_t sampleRate) {
  const auto fs = static_cast<double>(sampleRate);
  samplesPerMs_ = fs * 0.001;
  radiansPerSample_ = kTwoPi / fs;
  // The longest read (Delay and Depth at their tops, 1003.5 ms) must fit; above
  // 48330 Hz that takes more than 48500 frames.
  const double longest =
      (CDelay::kSlots[CDelay::kDepth].upper + CDelay::kSlots[CDelay::kDelay].upper) * samplesPerMs_;
  const std::int32_t length = LineLengthFor(kLineLength, longest);
  for (Group* g : {&left_, &right_}) {
    if (!g->chorus.SetLength(length) || !g->delay.SetLength(length)) return false;
  }
  ClearLines();
  // Whatever Delay comes first counts as a change (the lines are clear anyway).
  lastDelay_ = std::numeric_limits<double>::quiet_NaN();
  frameCounter_ = 0;
  writePos_ = 0;
  return true;
}

void CDelayDsp::ClearLines() {
  for (Group* g : {&left_, &right_}) {
    g->chorus.Clear();
    g->delay.Clear();
  }
}

void CDelayDsp::UpdateCoefficients(const ParameterBlock<CDelay::kSlotCount>& block) {
  // A new delay time restarts all four lines from silence.
  const double delay = block[CDelay::kDelay];
  if (delay != lastDelay_) ClearLines();
  lastDelay_ = delay;

  phaseOffset_ = DegreesToRadians(block[CDelay::kDegree]);
  offsetPlusQuarter_ = phaseOffset_ + kQuarterOffset;
  dryShare_ = 1.0 - block[CDelay::kMix];
  lfoIncrement_ = radiansPerSample_ * block[CDelay::kRate];
  delayTime_ = delay;
  volumeGain_ = DecibelsToGain(block[CDelay::kVolume]);
  depth_ = block[CDelay::kDepth];
  feedback_ = block[CDelay::kFeed];
  wetShare_ = block[CDelay::kMix];
}

void CDelayDsp::PlanBlock(std::uint32_t count, Plan& plan) const {
  double sines[kBlockFrames];
  const DelayLine& line = left_.chorus;  // all four lines have one length
  // Left group: chorus tap at Degree, delay tap a quarter turn on.
  SinesAt(frameCounter_, lfoIncrement_, phaseOffset_, count, sines);
  line.LocateSwept(sines, count, kChorusDelay, depth_, samplesPerMs_, writePos_, plan.leftChorus);
  SinesAt(frameCounter_, lfoIncrement_, kQuarterOffset, count, sines);
  line.LocateSwept(sines, count, delayTime_, depth_, samplesPerMs_, writePos_, plan.leftDelay);
  // Right group: chorus tap at 0, delay tap at Degree plus the quarter turn.
  Sines(frameCounter_, lfoIncrement_, count, sines);
  line.LocateSwept(sines, count, kChorusDelay, depth_, samplesPerMs_, writePos_, plan.rightChorus);
  SinesAt(frameCounter_, lfoIncrement_, offsetPlusQuarter_, count, sines);
  line.LocateSwept(sines, count, delayTime_, depth_, samplesPerMs_, writePos_, plan.rightDelay);
}

// Inlined into the per-frame loop (a call per channel and frame costs as much
// as a tap).
[[gnu::always_inline]] inline double CDelayDsp::ProcessGroup(Group& group, std::int32_t writePos,
                                                             double x, DelayLine::TapRead chorusTap,
                                                             DelayLine::TapRead delayTap) {
  const double chorus = group.chorus.LinearTap(chorusTap);
  const double delay = group.delay.LinearTap(delayTap);
  group.chorus.Write(writePos, chorus * kChorusFeedback + x);
  group.delay.Write(writePos, delay * feedback_ + x);
  return (((delay + chorus) * 0.5) * wetShare_ + x * dryShare_) * volumeGain_;
}

template <class Sample>
void CDelayDsp::Run(const Sample* in, bool mono, Sample* out, std::uint32_t frames) {
  const std::int32_t length = left_.chorus.Length();
  Plan plan;
  for (std::uint32_t done = 0; done < frames;) {
    const std::uint32_t count = std::min(frames - done, kBlockFrames);
    PlanBlock(count, plan);
    // Kept in a register through the frame loop, not in the object.
    std::int32_t writePos = writePos_;
    for (std::uint32_t j = 0; j < count; ++j) {
      const std::uint32_t i = done + j;
      const StereoIn x = ReadFrame(in, mono, i);
      const double leftGroup =
          ProcessGroup(left_, writePos, x.left, plan.leftChorus[j], plan.leftDelay[j]);
      const double rightGroup =
          ProcessGroup(right_, writePos, x.right, plan.rightChorus[j], plan.rightDelay[j]);
      // A mono input's groups come out crossed: left group to the right output.
      if (mono) {
        WriteFrame(out, i, rightGroup, leftGroup);
      } else {
        WriteFrame(out, i, leftGroup, rightGroup);
      }
      if (++writePos == length) writePos = 0;
    }
    writePos_ = writePos;
    frameCounter_ += count;
    done += count;
  }
}

void CDelayDsp::Process(const std::int16_t* in, bool mono, std::int16_t* out,
                        std::uint32_t frames) {
  Run(in, mono, out, frames);
}

void CDelayDsp::Process(const float* in, bool mono, float* out, std::uint32_t frames) {
  Run(in, mono, out, frames);
}

}  // namespace orkv
