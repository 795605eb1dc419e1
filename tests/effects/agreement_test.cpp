// Fixed renders whose hashes are checked in: the native and the Windows builds
// must produce these same bytes, which pins down every platform difference in
// floating point (sine, conversions, operation order).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/cdelay/cdelay.h"
#include "effects/chorus/chorus.h"
#include "effects/common/sine.h"
#include "effects/filter/filter.h"
#include "effects/flanger/flanger.h"
#include "effects/phaser/phaser.h"
#include "effects/tremolo/tremolo.h"
#include "tests/effects/engine_rig.h"

namespace orkv::test {
namespace {

// 64-bit FNV-1a over raw bytes.
class Fnv1a {
 public:
  void Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
      hash_ = (hash_ ^ bytes[i]) * 0x100000001b3ull;
    }
  }
  template <class T>
  void Add(const std::vector<T>& values) {
    Add(values.data(), values.size() * sizeof(T));
  }
  std::uint64_t Value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

// Two sines, a slow sweep and a little noise: stereo frames, 16-bit range.
template <class Sample>
std::vector<Sample> TestSignal(std::size_t frames, bool mono) {
  std::vector<Sample> v;
  std::uint32_t seed = 99;
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / 44100.0;
    const double noise = static_cast<double>(NextRandom(seed) >> 16) - 32768.0;
    const double left = 15000.0 * Sine(2 * 3.14159 * 220.0 * t) + 0.05 * noise;
    const double right = 12000.0 * Sine(2 * 3.14159 * (330.0 + 200.0 * t) * t) - 0.05 * noise;
    v.push_back(static_cast<Sample>(left));
    if (!mono) v.push_back(static_cast<Sample>(right));
  }
  return v;
}

template <class Effect>
std::uint64_t RenderHash() {
  constexpr std::size_t kFrames = 20000;
  Fnv1a hash;
  for (const std::uint16_t channels : {2, 1}) {
    EngineRig<Effect> rig16(44100, channels, false);
    EXPECT_EQ(rig16.Start(), kOk);
    hash.Add(rig16.Run(TestSignal<std::int16_t>(kFrames, channels == 1)));
    EngineRig<Effect> rigFloat(44100, channels, true);
    EXPECT_EQ(rigFloat.Start(), kOk);
    hash.Add(rigFloat.Run(TestSignal<float>(kFrames, channels == 1)));
  }
  return hash.Value();
}

// Every factory preset, float stereo: covers the volume gains too.
template <class Effect>
std::uint64_t PresetRendersHash() {
  Fnv1a hash;
  for (const auto& preset : Effect::kPresets) {
    EngineRig<Effect> rig(44100, 2, true);
    rig.Store().SetParameters(preset.values);
    EXPECT_EQ(rig.Start(), kOk);
    hash.Add(rig.Run(TestSignal<float>(4000, false)));
  }
  return hash.Value();
}

TEST(AgreementTest, SineAndCosine) {
  Fnv1a hash;
  std::uint32_t seed = 5;
  for (int i = 0; i < 200000; ++i) {
    // Phases from tiny to beyond the engines' reach, both signs.
    const double magnitude = static_cast<double>(NextRandom(seed)) * 0x1p-32;
    const double x = (i % 2 ? -1.0 : 1.0) * magnitude * static_cast<double>(1u << (i % 31));
    const SinCosPair both = SinCos(x);
    hash.Add(&both, sizeof both);
  }
  EXPECT_EQ(hash.Value(), 18367172228840558601ull);
}

TEST(AgreementTest, DefaultPresetRenders) {
  EXPECT_EQ(RenderHash<Phaser>(), 13659252423294230709ull);
  EXPECT_EQ(RenderHash<Chorus>(), 15592524987606259863ull);
  EXPECT_EQ(RenderHash<Flanger>(), 17319760261595134329ull);
  EXPECT_EQ(RenderHash<Filter>(), 1927325416004224741ull);
  EXPECT_EQ(RenderHash<CDelay>(), 11854672683068897966ull);
  EXPECT_EQ(RenderHash<Tremolo>(), 4097174176891005417ull);
}

TEST(AgreementTest, EveryPresetAndVolume) {
  EXPECT_EQ(PresetRendersHash<Phaser>(), 1043076456574586421ull);
  EXPECT_EQ(PresetRendersHash<Chorus>(), 6627412110630810228ull);
  EXPECT_EQ(PresetRendersHash<Flanger>(), 14015013443304148413ull);
  EXPECT_EQ(PresetRendersHash<Filter>(), 3923973199373907594ull);
  EXPECT_EQ(PresetRendersHash<CDelay>(), 9772805575379108839ull);
  EXPECT_EQ(PresetRendersHash<Tremolo>(), 14013011211889206329ull);
}

}  // namespace
}  // namespace orkv::test
