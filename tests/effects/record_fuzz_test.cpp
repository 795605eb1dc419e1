// Settings records as damaged files and hostile hosts hand them over: every
// length from empty to past the record, mutated and random bytes, blocks of
// absurd doubles. The decoder accepts only a whole record of its own plug-in;
// whatever it accepts lands in the store clamped into every slot's range, and
// the engine runs on it with finite output.
//
// The short form runs in CI. For a long run:
//   ORKV_FUZZ_ITERATIONS=1000000 build/native/bin/effects_reliability_test
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "core/settings_record.h"
#include "tests/effects/all_effects.h"
#include "tests/effects/engine_rig.h"
#include "tests/support/environment.h"
#include "tests/support/record_mutation.h"

namespace orkv::test {
namespace {

constexpr Guid kOwnId{0xC271E867, 0x5B4B, 0x4C5C, {0x9A, 0xC2, 0x68, 0xA3, 0x7C, 0xE2, 0x9A, 0x99}};

// What a loader does with a byte stream: the header, then the whole block.
template <std::size_t N>
std::optional<ParameterBlock<N>> DecodeRecord(const std::vector<std::uint8_t>& bytes) {
  RecordHeader header;
  std::array<std::uint8_t, 8 * N> block;
  if (bytes.size() < header.size() + block.size()) return std::nullopt;
  std::memcpy(header.data(), bytes.data(), header.size());
  if (CheckRecordHeader<N>(header, kOwnId) != RecordCheck::kOk) return std::nullopt;
  std::memcpy(block.data(), bytes.data() + header.size(), block.size());
  return DecodeRecordBlock<N>(block);
}

template <std::size_t N>
std::vector<std::uint8_t> ValidRecord(const ParameterBlock<N>& values) {
  const RecordHeader header = EncodeRecordHeader<N>(kOwnId);
  const auto block = EncodeRecordBlock<N>(values);
  std::vector<std::uint8_t> bytes(header.begin(), header.end());
  bytes.insert(bytes.end(), block.begin(), block.end());
  return bytes;
}

template <class Effect>
class RecordFuzzTest : public ::testing::Test {};

TYPED_TEST_SUITE(RecordFuzzTest, AllEffects);

TYPED_TEST(RecordFuzzTest, DamagedRecordsAreRefusedOrLandInRange) {
  constexpr std::size_t N = TypeParam::kSlotCount;
  std::uint32_t seed = 12345;
  MutationRandom random(seed);
  const int iterations = CountFromEnvironment("ORKV_FUZZ_ITERATIONS", 3000);
  for (int i = 0; i < iterations; ++i) {
    const auto& preset = TypeParam::kPresets[NextRandom(seed) % TypeParam::kPresets.size()];
    const auto bytes = MutateRecord(ValidRecord<N>(preset.values), kRecordHeaderSize, random);
    const auto decoded = DecodeRecord<N>(bytes);
    const RecordHeader own = EncodeRecordHeader<N>(kOwnId);
    const bool whole =
        bytes.size() >= RecordSize(N) && std::equal(own.begin(), own.end(), bytes.begin());
    ASSERT_EQ(decoded.has_value(), whole) << "iteration " << i;
    if (!decoded) continue;
    NoEditors port;
    ParameterStore<N> store(TypeParam::kSlots, port);
    store.SetParameters(*decoded);
    const ParameterBlock<N> stored = store.GetParameters();
    for (std::size_t slot = 0; slot < N; ++slot) {
      ASSERT_GE(stored[slot], TypeParam::kSlots[slot].lower) << "slot " << slot;
      ASSERT_LE(stored[slot], TypeParam::kSlots[slot].upper) << "slot " << slot;
    }
    if (i % 100 != 0) continue;  // running the engine is the slow part
    EngineRig<TypeParam> rig(44100, 2, true);
    rig.Store().SetParameters(stored);
    ASSERT_EQ(rig.Start(), kOk);
    for (const float v : rig.Run(Noise<float>(2 * 2048, 1.0, seed))) ASSERT_TRUE(std::isfinite(v));
  }
}

// The unmutated record of every preset decodes to exactly its values.
TYPED_TEST(RecordFuzzTest, ValidRecordsRoundTrip) {
  for (const auto& preset : TypeParam::kPresets) {
    const auto decoded = DecodeRecord<TypeParam::kSlotCount>(ValidRecord(preset.values));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, preset.values) << preset.name;
  }
}

}  // namespace
}  // namespace orkv::test
