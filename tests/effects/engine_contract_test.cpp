// Checks every engine must pass, run over all six effects through the real
// EffectEngine and ParameterStore.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <type_traits>

#include "effects/common/dsp_math.h"
#include "tests/effects/all_effects.h"
#include "tests/effects/engine_rig.h"

namespace orkv::test {
namespace {

template <class Effect>
class EngineContractTest : public ::testing::Test {
 protected:
  // Settings under which the output is the input times the volume gain.
  static void MakeTransparent(EngineRig<Effect>& rig) {
    if constexpr (std::is_same_v<Effect, Tremolo>) {
      rig.Set(Tremolo::kDepth, 0.0);
    } else {
      rig.Set(Effect::kMix, 0.0);
    }
  }
};

TYPED_TEST_SUITE(EngineContractTest, AllEffects);

TYPED_TEST(EngineContractTest, TablesAreConsistent) {
  const auto& slots = TypeParam::kSlots;
  const auto& presets = TypeParam::kPresets;
  EXPECT_STREQ(presets[0].name, "(Default)");
  std::set<std::string> names;
  for (const auto& row : presets) {
    EXPECT_TRUE(names.insert(row.name).second) << row.name;
    for (std::size_t i = 0; i < TypeParam::kSlotCount; ++i) {
      // Every preset value lies in its slot's range, so applying it stores it unchanged.
      EXPECT_EQ(ClampToSlot(row.values[i], slots[i]), row.values[i]) << row.name << " slot " << i;
    }
  }
  for (std::size_t i = 0; i < TypeParam::kSlotCount; ++i) {
    EXPECT_EQ(slots[i].initial, presets[0].values[i]) << "slot " << i;
    EXPECT_LT(slots[i].lower, slots[i].upper);
  }
}

TYPED_TEST(EngineContractTest, ProcessesTheSmallerCountAndWritesNoFurther) {
  EngineRig<TypeParam> rig;
  ASSERT_EQ(rig.Start(), kOk);
  const auto in = Noise<std::int16_t>(10, 20000.0);
  std::vector<std::int16_t> out(12, 0x5555);
  std::uint32_t inFrames = 5;
  std::uint32_t outFrames = 3;
  ASSERT_EQ(rig.Engine().ProcessInt16(in.data(), inFrames, out.data(), outFrames), kOk);
  EXPECT_EQ(inFrames, 3u);
  EXPECT_EQ(outFrames, 3u);
  EXPECT_EQ(rig.Dsp().FrameCounter(), 3u);
  for (std::size_t i = 6; i < out.size(); ++i) EXPECT_EQ(out[i], 0x5555);
}

TYPED_TEST(EngineContractTest, ZeroFramesStillTakesAPendingChange) {
  EngineRig<TypeParam> rig;
  ASSERT_EQ(rig.Start(), kOk);
  rig.Set(TypeParam::kVolume, -15.0);
  std::uint32_t inFrames = 0;
  std::uint32_t outFrames = 8;
  std::int16_t sample = 0;
  ASSERT_EQ(rig.Engine().ProcessInt16(&sample, inFrames, &sample, outFrames), kOk);
  EXPECT_EQ(outFrames, 0u);
  EXPECT_EQ(rig.Dsp().FrameCounter(), 0u);
  // The change is in the coefficients now: the first frame comes out scaled.
  this->MakeTransparent(rig);
  const auto out = rig.Run(std::vector<float>{1000.0f, -1000.0f});
  EXPECT_FLOAT_EQ(out[0], static_cast<float>(1000.0 * DecibelsToGain(-15.0)));
}

TYPED_TEST(EngineContractTest, SixteenBitResultsTruncateAndSaturateFloatsDoNot) {
  {
    EngineRig<TypeParam> rig;
    this->MakeTransparent(rig);
    rig.Set(TypeParam::kVolume, -15.0);  // gain 0.1778: 16 -> 2.85, -16 -> -2.85
    ASSERT_EQ(rig.Start(), kOk);
    const auto out = rig.Run(std::vector<std::int16_t>{16, -16, 20000, -20000});
    EXPECT_EQ(out, (std::vector<std::int16_t>{2, -2, 3556, -3556}));
  }
  EngineRig<TypeParam> rig;
  this->MakeTransparent(rig);
  rig.Set(TypeParam::kVolume, 3.0);
  ASSERT_EQ(rig.Start(), kOk);
  const auto out16 = rig.Run(std::vector<std::int16_t>{32767, -32768, 23000, -23000});
  EXPECT_EQ(out16, (std::vector<std::int16_t>{32767, -32768, 32488, -32488}));
  ASSERT_EQ(rig.Start(), kOk);
  const auto outFloat = rig.Run(std::vector<float>{32767.0f, -32768.0f, 1e30f, -1e30f});
  const double gain = DecibelsToGain(3.0);
  EXPECT_EQ(outFloat[0], static_cast<float>(32767.0 * gain));
  EXPECT_EQ(outFloat[1], static_cast<float>(-32768.0 * gain));
  EXPECT_EQ(outFloat[2], static_cast<float>(static_cast<double>(1e30f) * gain));
}

TYPED_TEST(EngineContractTest, DegreeZeroGivesIdenticalChannelsForMonoInput) {
  EngineRig<TypeParam> rig(48000, 1);
  rig.Set(TypeParam::kDegree, 0.0);
  ASSERT_EQ(rig.Start(), kOk);
  const auto out = rig.Run(Noise<float>(30000, 30000.0));
  for (std::size_t i = 0; i < out.size(); i += 2) ASSERT_EQ(out[i], out[i + 1]) << i / 2;
}

TYPED_TEST(EngineContractTest, RestartClearsAllState) {
  EngineRig<TypeParam> rig;
  const auto in = Noise<std::int16_t>(2 * 20000, 25000.0);
  ASSERT_EQ(rig.Start(), kOk);
  const auto first = rig.Run(in);
  ASSERT_EQ(rig.Start(), kOk);
  EXPECT_EQ(rig.Run(in), first);
}

TYPED_TEST(EngineContractTest, SplittingIntoChunksChangesNothing) {
  const auto in = Noise<float>(2 * 9000, 25000.0, 3);
  EngineRig<TypeParam> whole;
  ASSERT_EQ(whole.Start(), kOk);
  const auto expected = whole.Run(in);
  EngineRig<TypeParam> chunked;
  ASSERT_EQ(chunked.Start(), kOk);
  std::vector<float> got;
  for (std::size_t at = 0; at < in.size(); at += 2 * 777) {
    const std::size_t end = std::min(in.size(), at + 2 * 777);
    const auto part = chunked.Run(std::vector<float>(in.begin() + at, in.begin() + end));
    got.insert(got.end(), part.begin(), part.end());
  }
  EXPECT_EQ(got, expected);
}

// Settings at and beyond their bounds, reached through set-all (which clamps),
// with full-scale noise at many sample rates from the lowest the effect
// accepts: no read or write outside any array (the sanitizers watch), and
// finite output.
TYPED_TEST(EngineContractTest, SurvivesExtremeSettingsAndSampleRates) {
  using Block = ParameterBlock<TypeParam::kSlotCount>;
  std::vector<Block> settings;
  Block lower;
  Block upper;
  Block crossed = TypeParam::kPresets[0].values;
  for (std::size_t i = 0; i < TypeParam::kSlotCount; ++i) {
    lower[i] = TypeParam::kSlots[i].lower;
    upper[i] = TypeParam::kSlots[i].upper;
  }
  // Slot 1 is the deviation (or depth) that the page ties to slot 0: set it to
  // its top with slot 0 at its bottom.
  crossed[0] = TypeParam::kSlots[0].lower;
  crossed[1] = TypeParam::kSlots[1].upper;
  settings = {lower, upper, crossed};
  for (const double odd : {double{NAN}, double{INFINITY}, -double{INFINITY}, 1e300}) {
    Block b;
    b.fill(odd);
    settings.push_back(b);
  }

  const std::uint32_t lowest = TypeParam::kMinSampleRate;
  for (const std::uint32_t rate :
       {lowest, lowest + 1, 8000u, 44100u, 96000u, 192000u, 4294967295u}) {
    for (const std::uint16_t channels : {1, 2}) {
      for (const Block& block : settings) {
        EngineRig<TypeParam> rig(rate, channels);
        rig.Store().SetParameters(block);
        ASSERT_EQ(rig.Start(), kOk) << rate;
        const std::size_t samples = 6000u * channels;
        const auto in16 = Noise<std::int16_t>(samples, 32767.0, rate);
        rig.Run(in16);
        const auto outFloat = rig.Run(Noise<float>(samples, 32767.0, rate + 1));
        for (const float v : outFloat) ASSERT_TRUE(std::isfinite(v)) << rate;
      }
    }
  }
}

TYPED_TEST(EngineContractTest, StaysFiniteOverLongRunsAtHighRates) {
  for (const std::uint32_t rate : {96000u, 192000u}) {
    EngineRig<TypeParam> rig(rate, 2, true);
    for (std::size_t i = 0; i < TypeParam::kSlotCount; ++i) {
      rig.Set(i, TypeParam::kSlots[i].upper);
    }
    ASSERT_EQ(rig.Start(), kOk);
    for (int chunk = 0; chunk < 8; ++chunk) {
      const auto out = rig.Run(Noise<float>(2 * 48000, 32767.0, chunk));
      for (const float v : out) ASSERT_TRUE(std::isfinite(v));
    }
  }
}

}  // namespace
}  // namespace orkv::test
