#include "effects/phaser/phaser.h"

#include <gtest/gtest.h>

#include <cmath>

#include "effects/common/dsp_math.h"
#include "effects/common/sine.h"
#include "tests/effects/engine_rig.h"

namespace orkv::test {
namespace {

// With zero memories the chain's first output is a2^3 x: each section passes
// a2 times its input.
double FirstFrame(double x, double corner, double fs, double mix) {
  const double w = corner * (kPi / fs);
  const double k = (1.0 - w) / (1.0 + w);
  const double a2 = k * k;
  const double y3 = a2 * (a2 * (a2 * x));
  return (1.0 - mix) * x + mix * y3;
}

TEST(PhaserTest, FirstFrameMatchesTheClosedForm) {
  EngineRig<Phaser> rig(44100, 2, true);
  ASSERT_EQ(rig.Start(), kOk);
  const auto out = rig.Run(std::vector<float>{10000.0f, -5000.0f});
  // Left: theta 0, the corner is exactly Freq. Right: 90 degrees ahead.
  const double rightCorner = Sine(DegreesToRadians(90.0)) * 382.2 + 700.0;
  EXPECT_EQ(out[0], static_cast<float>(FirstFrame(10000.0, 700.0, 44100.0, 0.5)));
  EXPECT_EQ(out[1], static_cast<float>(FirstFrame(-5000.0, rightCorner, 44100.0, 0.5)));
}

TEST(PhaserTest, MixZeroPassesTheInputTimesVolume) {
  EngineRig<Phaser> rig(44100, 2, true);
  rig.Set(Phaser::kMix, 0.0).Set(Phaser::kVolume, -6.0);
  ASSERT_EQ(rig.Start(), kOk);
  const auto in = Noise<float>(2 * 5000, 30000.0);
  const auto out = rig.Run(in);
  const double gain = DecibelsToGain(-6.0);
  for (std::size_t i = 0; i < in.size(); ++i) {
    ASSERT_EQ(out[i], static_cast<float>(in[i] * gain));
  }
}

// A deviation above Freq swings the literal corner below 0 Hz, where k exceeds
// 1 and the output overflows to infinity within a fraction of a second. Held at
// 0 Hz the sections are at worst marginal (poles at z = 1) and the output,
// though loud while the corner rests there, stays bounded.
TEST(PhaserTest, DeviationAboveFreqStaysBounded) {
  EngineRig<Phaser> rig(44100, 2, true);
  rig.Set(Phaser::kFreq, 100.0)
      .Set(Phaser::kDeviation, 4000.0)
      .Set(Phaser::kRate, 2.0)
      .Set(Phaser::kFeed, 0.75);
  ASSERT_EQ(rig.Start(), kOk);
  double peak = 0.0;
  for (int second = 0; second < 8; ++second) {
    for (const float v : rig.Run(Noise<float>(2 * 44100, 32767.0, second))) {
      peak = std::max(peak, std::fabs(static_cast<double>(v)));
    }
  }
  EXPECT_LT(peak, 1e9);
}

}  // namespace
}  // namespace orkv::test
