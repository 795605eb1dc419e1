// What hosts and users do that ordinary audio and the page do not: samples that
// are not numbers, deviations only the parameter interface can set, silence
// after audio, sample rates no audio uses. Each case here once made an engine
// misbehave.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "effects/cdelay/cdelay.h"
#include "effects/chorus/chorus.h"
#include "effects/filter/filter.h"
#include "effects/flanger/flanger.h"
#include "effects/phaser/phaser.h"
#include "effects/tremolo/tremolo.h"
#include "tests/effects/engine_rig.h"

namespace orkv::test {
namespace {

template <class Effect>
class HostileInputTest : public ::testing::Test {};

using AllEffects = ::testing::Types<Phaser, Chorus, Flanger, Filter, CDelay, Tremolo>;
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

}  // namespace
}  // namespace orkv::test
