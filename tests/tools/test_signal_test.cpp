// The built-in test signal: deterministic, audible in both channels, within
// range, and written as a file that parses back with the requested format.
#include "tools/wav/test_signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <vector>

namespace orkv::wav {
namespace {

std::vector<float> Render(std::uint64_t first, std::size_t frames) {
  std::vector<float> out(2 * frames);
  RenderTestSignal(kTestSignalRate, first, frames, out.data());
  return out;
}

TEST(TestSignal, StretchesRenderedSeparatelyMatchTheWhole) {
  const auto whole = Render(0, 3000);
  const auto tail = Render(1000, 2000);
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), whole.begin() + 2000));
}

TEST(TestSignal, HasSoundInBothChannelsAndStaysInRange) {
  const auto s = Render(0, kTestSignalRate * 2);
  double energy[2] = {0, 0};
  float peak = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    energy[i % 2] += double{s[i]} * s[i];
    peak = std::max(peak, std::fabs(s[i]));
  }
  EXPECT_GT(energy[0], 100.0);
  EXPECT_GT(energy[1], 100.0);
  EXPECT_LT(peak, 1.0f);
  EXPECT_NE(s[2000], s[2001]);  // the channels differ
}

TEST(TestSignal, FloatToInt16RoundsAndSaturates) {
  const float in[] = {0.0f, 0.5f, -0.5f, 1.0f, 2.0f, -2.0f};
  std::int16_t out[6];
  FloatToInt16(in, 6, out);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 16384);
  EXPECT_EQ(out[2], -16384);
  EXPECT_EQ(out[3], 32767);
  EXPECT_EQ(out[4], 32767);
  EXPECT_EQ(out[5], -32768);
}

TEST(TestSignal, WritesFilesOfEitherSampleType) {
  for (const SampleType type : {SampleType::kInt16, SampleType::kFloat32}) {
    const std::string path = testing::TempDir() + "orkv_signal_test.wav";
    const AudioFormat format{type, 2, kTestSignalRate};
    std::string error;
    ASSERT_TRUE(WriteTestSignal(path, format, 0.5, error)) << error;
    auto reader = WavFileReader::Open(path, error);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(reader->Format(), format);
    EXPECT_EQ(reader->Frames(), kTestSignalRate / 2);
  }
  std::string error;
  EXPECT_FALSE(
      WriteTestSignal(testing::TempDir() + "x.wav", {SampleType::kInt16, 1, 44100}, 1.0, error));
}

}  // namespace
}  // namespace orkv::wav
