#include "core/wave_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace orkv {
namespace {

// 16-bit mono 44.1 kHz as a peer supplies it, with stale derived fields.
WaveFormat Mono16() { return {kFormatPcm, 1, 44100, 12345, 7, 16, 22}; }

TEST(WaveFormat, NormalisingRecomputesTheDerivedFields) {
  const WaveFormat f = Normalise(Mono16());
  EXPECT_EQ(f.blockAlign, 2);
  EXPECT_EQ(f.avgBytesPerSec, 88200u);
  EXPECT_EQ(f.cbSize, 0);
  const WaveFormat stereoFloat = Normalise({kFormatIeeeFloat, 2, 48000, 0, 0, 32, 0});
  EXPECT_EQ(stereoFloat.blockAlign, 8);
  EXPECT_EQ(stereoFloat.avgBytesPerSec, 384000u);
}

// Each block exactly as long as its peer said, so that the sanitizers see any
// byte written past it; cbSize is cleared only where the block holds both bytes.
TEST(WaveFormat, StereoRewriteStaysWithinBlocksOfEveryLength) {
  const WaveFormat mono = Mono16();
  for (std::size_t size = 0; size <= 40; ++size) {
    std::vector<std::uint8_t> block(size, 0xAB);
    if (size > 0) std::memcpy(block.data(), &mono, std::min(size, sizeof(mono)));
    RewriteFormatBlockAsStereo(block.data(), block.size());
    if (size < 16) {
      std::vector<std::uint8_t> untouched(size, 0xAB);
      if (size > 0) std::memcpy(untouched.data(), &mono, std::min(size, sizeof(mono)));
      EXPECT_EQ(block, untouched) << size << " bytes: too short to be read";
      continue;
    }
    WaveFormat stereo{};
    std::memcpy(&stereo, block.data(), std::min(size, sizeof(stereo)));
    EXPECT_EQ(stereo.channels, 2) << size;
    EXPECT_EQ(stereo.blockAlign, 4) << size;
    EXPECT_EQ(stereo.avgBytesPerSec, 176400u) << size;
    if (size == 17) {
      EXPECT_EQ(block[16], 22) << "half a cbSize is left alone";
    } else if (size >= 18) {
      EXPECT_EQ(stereo.cbSize, 0) << size;
    }
    for (std::size_t i = 18; i < size; ++i) {
      EXPECT_EQ(block[i], 0xAB) << size << "/" << i;
    }
  }
  RewriteFormatBlockAsStereo(nullptr, 18);  // no block: nothing to do
}

}  // namespace
}  // namespace orkv
