// The two engines without delay lines: the swept resonant low-pass and the tremolo.
#include <gtest/gtest.h>

#include <cmath>

#include "effects/common/dsp_math.h"
#include "effects/common/sine.h"
#include "effects/filter/filter.h"
#include "effects/tremolo/tremolo.h"
#include "tests/effects/engine_rig.h"

namespace orkv::test {
namespace {

TEST(FilterTest, ResonatorCoefficientsAtTheDefaultCentre) {
  const ResonatorCoefficients c = ResonatorFor(1200.0, kTwoPi / 44100.0, 1.0 / (3.0 + 3.0));
  EXPECT_NEAR(c.g0, 0.0299, 5e-5);
  EXPECT_NEAR(c.a1, -1.9147, 5e-5);
  EXPECT_NEAR(c.a2, 0.9446, 5e-5);
  // Unity gain at 0 Hz: g0 / (1 + a1 + a2) = 1.
  EXPECT_NEAR(c.g0 / (1.0 + c.a1 + c.a2), 1.0, 1e-12);

  // The engine's first left frame uses exactly these (theta 0: f = Freq).
  EngineRig<Filter> rig(44100, 2, true);
  ASSERT_EQ(rig.Start(), kOk);
  const auto out = rig.Run(std::vector<float>{1000.0f, 0.0f});
  EXPECT_EQ(out[0], static_cast<float>(c.g0 * 1000.0));
}

TEST(FilterTest, DirectCurrentPassesAtUnityGain) {
  for (const double rate : {0.0, 4.0}) {
    EngineRig<Filter> rig(48000, 1, true);
    rig.Set(Filter::kRate, rate).Set(Filter::kFeed, 10.0).Set(Filter::kVolume, -6.0);
    ASSERT_EQ(rig.Start(), kOk);
    const auto out = rig.Run(Constant<float>(48000 * 3, 1000.0f));
    const double expected = 1000.0 * DecibelsToGain(-6.0);
    EXPECT_NEAR(out[out.size() - 2], expected, expected * 1e-3) << "rate " << rate;
    EXPECT_NEAR(out[out.size() - 1], expected, expected * 1e-3) << "rate " << rate;
  }
}

TEST(FilterTest, RateZeroHoldsTheCutOffAtFreq) {
  // Without the LFO both channels are the same static low-pass, whatever Degree.
  EngineRig<Filter> rig(48000, 2, true);
  rig.Set(Filter::kRate, 0.0).Set(Filter::kDepth, 0.9).Set(Filter::kDegree, 90.0);
  ASSERT_EQ(rig.Start(), kOk);
  std::vector<float> in;
  for (const float v : Noise<float>(5000, 20000.0)) in.insert(in.end(), {v, v});
  const auto out = rig.Run(in);
  for (std::size_t i = 0; i < out.size(); i += 2) ASSERT_EQ(out[i], out[i + 1]);
}

double LeftGain(EngineRig<Tremolo>& rig) { return rig.Run(std::vector<float>{1.0f, 1.0f})[0]; }

TEST(TremoloTest, FirstFrameIsAtFullGain) {
  EngineRig<Tremolo> rig(44100, 2, true);
  rig.Set(Tremolo::kVolume, -15.0);
  ASSERT_EQ(rig.Start(), kOk);
  EXPECT_FLOAT_EQ(LeftGain(rig), static_cast<float>(DecibelsToGain(-15.0)));
}

TEST(TremoloTest, PanningGainsAreComplementary) {
  EngineRig<Tremolo> rig(44100, 1, true);
  rig.Set(Tremolo::kDepth, 0.5).Set(Tremolo::kDegree, 180.0).Set(Tremolo::kRate, 5.0);
  ASSERT_EQ(rig.Start(), kOk);
  const auto out = rig.Run(Constant<float>(44100, 1.0f));
  for (std::size_t i = 0; i < out.size(); i += 2) {
    ASSERT_NEAR(out[i] + out[i + 1], 1.0, 1e-6) << i / 2;
  }
}

TEST(TremoloTest, RateZeroAppliesTheBaseLevelOnly) {
  EngineRig<Tremolo> rig(44100, 2, true);
  rig.Set(Tremolo::kRate, 0.0).Set(Tremolo::kDepth, 0.4);
  ASSERT_EQ(rig.Start(), kOk);
  const auto out = rig.Run(Constant<float>(2 * 100, 1000.0f));
  for (const float v : out) ASSERT_EQ(v, static_cast<float>((1.0 - 0.4) * 1000.0));
}

// The phase comes from the frame counter, not from an accumulator: half a
// second at 3 Hz then 6 Hz continues at 6 pi (gain at its peak), where an
// accumulated phase would be at 3 pi (its trough).
TEST(TremoloTest, RateChangeMovesToThePhaseOfTheNewRate) {
  EngineRig<Tremolo> rig(44100, 2, true);
  rig.Set(Tremolo::kRate, 3.0).Set(Tremolo::kDepth, 0.5);
  ASSERT_EQ(rig.Start(), kOk);
  rig.Run(Constant<float>(2 * 22050, 1.0f));
  EXPECT_EQ(rig.Dsp().FrameCounter(), 22050u);
  rig.Set(Tremolo::kRate, 6.0);
  const double expected = Cosine(22050.0 * (kTwoPi / 44100.0 * 6.0)) * 0.5 + 0.5;
  EXPECT_FLOAT_EQ(LeftGain(rig), static_cast<float>(expected));
  EXPECT_GT(expected, 0.999);
}

}  // namespace
}  // namespace orkv::test
