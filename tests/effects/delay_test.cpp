// The delay-line effects: exact reads at whole-frame delays, line sizing from
// the sample rate, and the guards that keep every tap inside its line.
#include <gtest/gtest.h>

#include <cmath>

#include "effects/cdelay/cdelay.h"
#include "effects/chorus/chorus.h"
#include "effects/common/delay_line.h"
#include "effects/common/dsp_math.h"
#include "effects/common/sine.h"
#include "effects/flanger/flanger.h"
#include "tests/effects/engine_rig.h"

namespace orkv::test {
namespace {

// Writes 1, 2, 3, ... and reads back n frames later.
TEST(DelayLineTest, WholeFrameDelaysReadExactlyAndNeverLeaveTheLine) {
  DelayLine line(64);
  line.Clear();
  double allPassMemory = 0.0;
  for (std::int32_t frame = 0; frame < 200; ++frame) {
    const std::int32_t pos = frame % 64;
    const double allPass = line.AllPassTap(10.0, pos, allPassMemory);
    const double linear = line.LinearTap(10.0, pos);
    if (frame >= 10) {
      ASSERT_EQ(allPass, frame - 9.0);
      ASSERT_EQ(linear, frame - 9.0);
    }
    // Delays the line cannot hold are pulled inside it.
    double scratch = 0.0;
    for (const double odd : {-5.0, -0.5, 63.5, 64.0, 1e12, double{NAN}, -double{INFINITY}}) {
      ASSERT_TRUE(std::isfinite(line.AllPassTap(odd, pos, scratch)));
      ASSERT_TRUE(std::isfinite(line.LinearTap(odd, pos)));
    }
    line.Write(pos, frame + 1.0);
  }
  // Below one frame, the first neighbour is the value written a whole line
  // length ago: slot 8 still holds frame 136's value (137) when frame 200 is
  // due there; the second neighbour is the previous frame's (200).
  double memory = 0.0;
  EXPECT_EQ(line.LinearTap(0.0, 8), 137.0);
  EXPECT_EQ(line.AllPassTap(0.0, 8, memory), 137.0 + 200.0);
}

TEST(DelayLineTest, LengthGrowsOnlyWhenTheLongestDelayDoesNotFit) {
  EXPECT_EQ(LineLengthFor(2048, 2047.999), 2048);
  EXPECT_EQ(LineLengthFor(2048, 2048.0), 2049);
  EXPECT_EQ(LineLengthFor(2048, 5000.5), 5001);
  EXPECT_EQ(LineLengthFor(2048, 1e30), kMaxLineLength);
  EXPECT_EQ(LineLengthFor(2048, NAN), 2048);

  const auto lengthAt = [](auto rig) {
    EXPECT_EQ(rig.Start(), kOk);
    return rig.Dsp().LineLength();
  };
  EXPECT_EQ(lengthAt(EngineRig<Chorus>(48761)), 2048);
  EXPECT_GT(lengthAt(EngineRig<Chorus>(48762)), 2048);
  EXPECT_EQ(lengthAt(EngineRig<Flanger>(65306)), 1024);
  EXPECT_GT(lengthAt(EngineRig<Flanger>(65307)), 1024);
  EXPECT_EQ(lengthAt(EngineRig<CDelay>(48330)), 48500);
  EXPECT_GT(lengthAt(EngineRig<CDelay>(48331)), 48500);
  EXPECT_GT(lengthAt(EngineRig<CDelay>(192000)), 1003.5 * 192);
}

// An impulse into the left channel; the output frames.
template <class Effect>
std::vector<float> ImpulseResponse(EngineRig<Effect>& rig, std::size_t frames) {
  std::vector<float> in(2 * frames, 0.0f);
  in[0] = 1000.0f;
  in[1] = 1000.0f;
  EXPECT_EQ(rig.Start(), kOk);
  return rig.Run(in);
}

// A block's taps are located ahead of the frame loop: each must be where the
// frame's own Locate and Resolve put it, also where the write position wraps
// inside the block, and for delays the line cannot hold.
TEST(DelayLineTest, BlockOfSweptTapsReadsWhereEachFrameWould) {
  DelayLine line(300);
  double sines[kBlockFrames];
  for (std::uint32_t i = 0; i < kBlockFrames; ++i) sines[i] = std::sin(i * 0.3);
  for (const std::int32_t writePos : {0, 1, 171, 250, 299}) {
    for (const double centre : {0.0, 2.0, 5.0, 7.0}) {
      DelayLine::TapBlock block;
      line.LocateSwept(sines, kBlockFrames, centre, 3.0, 44.1, writePos, block);
      for (std::uint32_t i = 0; i < kBlockFrames; ++i) {
        const std::int32_t frameWrite = (writePos + static_cast<std::int32_t>(i)) % 300;
        const DelayLine::TapRead expected =
            line.Resolve(line.Locate((sines[i] * 3.0 + centre) * 44.1), frameWrite);
        const DelayLine::TapRead got = block[i];
        ASSERT_EQ(got.at, expected.at) << writePos << " " << centre << " " << i;
        ASSERT_EQ(got.before, expected.before);
        ASSERT_EQ(got.fraction, expected.fraction);
      }
    }
  }
}

TEST(FlangerTest, WholeFrameDelayReturnsTheImpulseExactly) {
  EngineRig<Flanger> rig(48000, 2, true);
  rig.Set(Flanger::kRate, 0.0).Set(Flanger::kDelay, 5.0).Set(Flanger::kFeed, 0.0);
  rig.Set(Flanger::kDegree, 0.0);
  const auto out = ImpulseResponse(rig, 600);
  for (std::size_t frame = 0; frame < 600; ++frame) {
    const float expected = frame == 0 || frame == 240 ? 500.0f : 0.0f;
    ASSERT_EQ(out[2 * frame], expected) << frame;
    ASSERT_EQ(out[2 * frame + 1], expected) << frame;
  }
}

// At 192 kHz the longest flange (8 + 7.68 ms = 3010.56 frames) needs a line
// three times the nominal length; it must still come back on time.
TEST(FlangerTest, LongestDelayKeepsItsLengthAtHighRates) {
  EngineRig<Flanger> rig(192000, 2, true);
  rig.Set(Flanger::kRate, 0.0).Set(Flanger::kDelay, 8.0).Set(Flanger::kDeviation, 7.68);
  rig.Set(Flanger::kDegree, 90.0).Set(Flanger::kFeed, 0.0);
  const auto out = ImpulseResponse(rig, 4000);
  const double delay = (Sine(DegreesToRadians(90.0)) * 7.68 + 8.0) * 192.0;
  const auto first = static_cast<std::size_t>(delay);
  for (std::size_t frame = 1; frame < first; ++frame) ASSERT_EQ(out[2 * frame + 1], 0.0f);
  EXPECT_NE(out[2 * first + 1], 0.0f);
}

TEST(ChorusTest, VoiceOneAtAWholeFrameDelayReadsTheLineExactly) {
  // With Feed 0, Mix 0.5 and Rate 0 the left output is
  // (t1 + t2) / 4 + x / 2; voice 1 sits at exactly 480 frames.
  EngineRig<Chorus> rig(48000, 2, true);
  rig.Set(Chorus::kRate, 0.0).Set(Chorus::kDelay, 10.0).Set(Chorus::kFeed, 0.0);
  rig.Set(Chorus::kDeviation, 0.8);
  // Voice 2 alone, for comparison: its own line read at its own delay.
  DelayLine reference(ChorusDsp::kLineLength);
  reference.Clear();
  double memory = 0.0;
  const double voice2Delay = (Sine(1.0) * 0.8 + (10.0 - 1.4)) * (48000 * 0.001);
  const auto out = ImpulseResponse(rig, 1000);
  for (std::int32_t frame = 0; frame < 1000; ++frame) {
    const double t2 = reference.AllPassTap(voice2Delay, frame, memory);
    reference.Write(frame, frame == 0 ? 1000.0 : 0.0);
    const double t1 = frame == 480 ? 1000.0 : 0.0;
    const double x = frame == 0 ? 1000.0 : 0.0;
    ASSERT_EQ(out[2 * frame], static_cast<float>(((t2 + t1) * 0.5) * 0.5 + x * 0.5)) << frame;
  }
}

// Deviation 12 ms around a second-voice centre of 8 - 1.4 ms asks for delays
// down to -5.4 ms; the taps hold at 0 and stay in the line.
TEST(ChorusTest, DeviationAboveTheCentreStaysInsideTheLine) {
  EngineRig<Chorus> rig(48000, 2, true);
  rig.Set(Chorus::kDelay, 8.0).Set(Chorus::kDeviation, 12.0).Set(Chorus::kRate, 2.0);
  rig.Set(Chorus::kFeed, 0.7);
  ASSERT_EQ(rig.Start(), kOk);
  for (const float v : rig.Run(Noise<float>(2 * 96000, 32767.0))) ASSERT_TRUE(std::isfinite(v));
}

class CDelayTest : public ::testing::Test {
 protected:
  CDelayTest() {
    rig_.Set(CDelay::kRate, 0.0).Set(CDelay::kDegree, 0.0).Set(CDelay::kDepth, 0.2);
    rig_.Set(CDelay::kDelay, 100.0);
  }
  EngineRig<CDelay> rig_{48000, 2, true};
};

TEST_F(CDelayTest, ImpulseReturnsFromBothTaps) {
  const auto out = ImpulseResponse(rig_, 5000);
  // Chorus taps at exactly 35 ms (sin 0 = 0): 1680 frames, half of the wet mix.
  EXPECT_EQ(out[2 * 1680], 250.0f);
  EXPECT_EQ(out[2 * 1680 + 1], 250.0f);
  // Delay taps at 100 + 0.2 sin(1.5707) ms, just below 4809.6 frames: split
  // 0.4 / 0.6 between the frames 4809 and 4810 after the impulse.
  const double delay = (Sine(1.5707) * 0.2 + 100.0) * (48000 * 0.001);
  const double fraction = delay - 4809.0;
  EXPECT_NEAR(fraction, 0.6, 1e-6);
  EXPECT_FLOAT_EQ(out[2 * 4809], static_cast<float>(1000.0 * (1.0 - fraction) * 0.25));
  EXPECT_FLOAT_EQ(out[2 * 4810], static_cast<float>(1000.0 * fraction * 0.25));
  EXPECT_EQ(out[2 * 4808], 0.0f);
  EXPECT_EQ(out[2 * 4811], 0.0f);
}

TEST_F(CDelayTest, ChangingDelayClearsTheLinesOtherChangesDoNot) {
  for (const bool changeDelay : {false, true}) {
    EngineRig<CDelay> rig(48000, 2, true);
    rig.Set(CDelay::kRate, 0.0).Set(CDelay::kDegree, 0.0).Set(CDelay::kDepth, 0.2);
    std::vector<float> in(2 * 1000, 0.0f);
    in[0] = in[1] = 1000.0f;
    ASSERT_EQ(rig.Start(), kOk);
    rig.Run(in);
    if (changeDelay) {
      rig.Set(CDelay::kDelay, 351.0);
    } else {
      rig.Set(CDelay::kFeed, 0.1).Set(CDelay::kMix, 0.4).Set(CDelay::kVolume, -1.0);
    }
    // The chorus echo of the impulse is due at frame 1680, in the second chunk.
    const auto out = rig.Run(std::vector<float>(2 * 1000, 0.0f));
    if (changeDelay) {
      EXPECT_EQ(out[2 * 680], 0.0f);
    } else {
      EXPECT_GT(out[2 * 680], 100.0f);
    }
  }
}

TEST_F(CDelayTest, MonoInputCrossesTheGroups) {
  // Left group: chorus tap at the phase offset. Right group: chorus tap at 0.
  // With Rate 0 and Degree 90 only the right group's chorus is a whole 1680
  // frames; for mono input that group feeds the left output.
  EngineRig<CDelay> rig(48000, 1, true);
  rig.Set(CDelay::kRate, 0.0).Set(CDelay::kDegree, 90.0).Set(CDelay::kDepth, 0.2);
  std::vector<float> in(2000, 0.0f);
  in[0] = 1000.0f;
  ASSERT_EQ(rig.Start(), kOk);
  const auto out = rig.Run(in);
  EXPECT_EQ(out[2 * 1680], 250.0f);
  EXPECT_NE(out[2 * 1680 + 1], 250.0f);
}

}  // namespace
}  // namespace orkv::test
