// What hosts and users do that ordinary audio and the page do not: samples that
// are not numbers, deviations only the parameter interface can set, silence
// after audio, sample rates no audio uses. Each case here once made an engine
// misbehave.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/flush_to_zero.h"
#include "tests/effects/all_effects.h"
#include "tests/effects/engine_rig.h"

namespace orkv::test {
namespace {

template <class Effect>
class HostileInputTest : public ::testing::Test {};

TYPED_TEST_SUITE(HostileInputTest, AllEffects);

// One NaN used to leave a whole channel NaN until the next restart (and spread
// through the C-Delay's lines). Read as silence, a non-finite sample gives
// exactly the output of the same input with a zero there.
TYPED_TEST(HostileInputTest, NonFiniteSamplesActAsSilence) {
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  for (const std::uint16_t channels : {1, 2}) {
    auto clean = Noise<float>(48000u * channels, 0.5, 11);
    auto dirty = clean;
    for (const auto& [at, bad] :
         {std::pair{100u, kNan}, {2000u, kInf}, {2001u, -kInf}, {30001u, kNan}, {30002u, kNan}}) {
      dirty[at] = bad;
      clean[at] = 0.0f;
    }
    EngineRig<TypeParam> withZeros(48000, channels, true);
    EngineRig<TypeParam> withNonFinite(48000, channels, true);
    ASSERT_EQ(withZeros.Start(), kOk);
    ASSERT_EQ(withNonFinite.Start(), kOk);
    const auto expected = withZeros.Run(clean);
    EXPECT_TRUE(withNonFinite.Run(dirty) == expected) << channels << " channels";
  }
}

// Peak of |output| over peak of |input|, in dB.
double PeakGainDb(const std::vector<float>& in, const std::vector<float>& out) {
  const auto peak = [](const std::vector<float>& v) {
    double p = 0.0;
    for (const float x : v) p = std::max(p, std::fabs(static_cast<double>(x)));
    return p;
  };
  return 20.0 * std::log10(peak(out) / peak(in));
}

std::vector<float> Square(std::size_t frames, std::size_t halfPeriod, float amplitude) {
  std::vector<float> v(2 * frames);
  for (std::size_t i = 0; i < frames; ++i) {
    v[2 * i] = v[2 * i + 1] = (i / halfPeriod) % 2 ? amplitude : -amplitude;
  }
  return v;
}

// A deviation beyond the page's reach (set through the parameter interface, a
// host's preset or a saved record) used to hold the sweep at its floor for part
// of every cycle and ring up: the Phaser at Freq 100, deviation 4000, Rate
// 0.05, Feed 0.75 reached +71.3 dB on a square wave; the Chorus at delay 8,
// deviation 12 and the Flanger at delay 0.5, deviation 7.68 over +30 dB on
// noise with Feed 0. Such a deviation now sweeps exactly like the widest the
// page gives: the Depth knob's top (100, 40 and 96 %) times slot 0 x 0.01.
template <class Effect>
void ExpectSweepOfThePagesWidest(const std::vector<float>& in, ParameterBlock<8> settings,
                                 double depthTop, double maxGainDb) {
  const auto render = [&](double deviation) {
    EngineRig<Effect> rig(44100, 2, true);
    settings[1] = deviation;
    rig.Store().SetParameters(settings);
    EXPECT_EQ(rig.Start(), kOk);
    return rig.Run(in);
  };
  const auto out = render(Effect::kSlots[1].upper);
  EXPECT_LT(PeakGainDb(in, out), maxGainDb);
  EXPECT_TRUE(out == render(depthTop * settings[0] * 0.01));
}

TEST(SweepDeviationTest, DeviationsBeyondThePagesReachSweepLikeItsWidest) {
  const auto square = Square(44100 * 21, 50, 0.5f);
  ExpectSweepOfThePagesWidest<Phaser>(square, {100, 0, 90, 0.05, 0.75, 0.5, 100, 0}, 100, 20);
  const auto noise = Noise<float>(2 * 44100 * 11, 0.5, 5);
  ExpectSweepOfThePagesWidest<Chorus>(noise, {8, 0, 180, 0.1, 0, 0.5, 40, 0}, 40, 12);
  ExpectSweepOfThePagesWidest<Flanger>(noise, {0.5, 0, 45, 0.1, 0, 0.5, 96, 0}, 96, 12);
}

// Filter memories fed with silence used to decay into subnormal numbers and
// stay there (17 and 7.7 times the cost of audio, for as long as the silence
// lasted). Flushed to zero, they come to rest.
template <class Effect>
void ExpectRestAfterAudio() {
  EngineRig<Effect> rig(44100, 2, true);
  ASSERT_EQ(rig.Start(), kOk);
  rig.Run(Noise<float>(2 * 44100, 0.9, 3));
  const auto silence = Constant<float>(2 * 44100, 0.0f);
  for (int second = 0; second < 10 && !rig.Dsp().AtRest(); ++second) rig.Run(silence);
  EXPECT_TRUE(rig.Dsp().AtRest());
}

TEST(SilenceTest, PhaserAndFilterComeToRestAfterAudio) {
  ExpectRestAfterAudio<Phaser>();
  ExpectRestAfterAudio<Filter>();
}

#ifdef ORKV_HAS_MXCSR
// The engine's floating-point mode must not leak into the host's thread.
TEST(SilenceTest, TheCallersFloatingPointModeIsRestored) {
  EngineRig<Phaser> rig(44100, 2, true);
  ASSERT_EQ(rig.Start(), kOk);
  const unsigned callers = _mm_getcsr();
  rig.Run(Noise<float>(2 * 1000, 0.5));
  EXPECT_EQ(_mm_getcsr(), callers);
}
#endif

}  // namespace
}  // namespace orkv::test
