// The sine and cosine the engines use must give exactly the bits of the
// original scalar routine (kept in reference_sine.cpp): the renders depend on
// every last bit. Checked here for the scalar routines and the block routines,
// over the phases the oscillators produce and over every path through the
// reduction, paired in every combination the block routines distinguish.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "core/flush_to_zero.h"
#include "effects/common/dsp_math.h"
#include "effects/common/oscillator.h"
#include "effects/common/sine.h"
#include "tests/effects/reference_sine.h"

namespace orkv {
namespace {

std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

using BlockRoutine = void (*)(double*, std::size_t);

// Both forms of the block routines: the one this processor takes (four lanes
// with AVX2) and the two-lane one.
struct BlockForm {
  const char* name;
  BlockRoutine sine;
  BlockRoutine cosine;
};
constexpr BlockForm kForms[] = {
    {"SineBlock/CosineBlock", SineBlock, CosineBlock},
    {"two lanes", sine_lanes::SineBlockTwoLanes, sine_lanes::CosineBlockTwoLanes}};

// Compares every routine with the reference over `x`, at every block length up
// to 5 and at the full length from four offsets (so each argument is met in
// every lane).
void ExpectSameBits(const std::vector<double>& x) {
  for (const BlockForm& form : kForms) {
    for (std::size_t offset = 0; offset < 4 && offset < x.size(); ++offset) {
      const std::size_t count = x.size() - offset;
      std::vector<double> sines(x.begin() + offset, x.end());
      std::vector<double> cosines = sines;
      form.sine(sines.data(), count);
      form.cosine(cosines.data(), count);
      for (std::size_t i = 0; i < count; ++i) {
        const double a = x[offset + i];
        ASSERT_EQ(Bits(sines[i]), Bits(reference::Sine(a))) << form.name << " sine at " << a;
        ASSERT_EQ(Bits(cosines[i]), Bits(reference::Cosine(a))) << form.name << " cosine at " << a;
      }
    }
    for (std::size_t count = 0; count <= 5 && count <= x.size(); ++count) {
      double s[5] = {};
      double c[5] = {};
      std::copy_n(x.begin(), count, s);
      std::copy_n(x.begin(), count, c);
      form.sine(s, count);
      form.cosine(c, count);
      for (std::size_t i = 0; i < count; ++i) {
        ASSERT_EQ(Bits(s[i]), Bits(reference::Sine(x[i])));
        ASSERT_EQ(Bits(c[i]), Bits(reference::Cosine(x[i])));
      }
    }
  }
  for (const double a : x) {
    ASSERT_EQ(Bits(Sine(a)), Bits(reference::Sine(a))) << "Sine at " << a;
    ASSERT_EQ(Bits(Cosine(a)), Bits(reference::Cosine(a))) << "Cosine at " << a;
    const SinCosPair both = SinCos(a);
    const reference::SinCosPair expected = reference::SinCos(a);
    ASSERT_EQ(Bits(both.sin), Bits(expected.sin)) << "SinCos at " << a;
    ASSERT_EQ(Bits(both.cos), Bits(expected.cos)) << "SinCos at " << a;
  }
}

// The oscillators' phases: frame counter x increment (+ offset), for rates
// from the slowest to far beyond any setting, at low and high sample rates.
TEST(SineBlockTest, OscillatorPhasesGiveTheReferenceBits) {
  std::mt19937_64 random(1234);
  std::uniform_real_distribution<double> rate(0.0, 6.0);
  std::uniform_int_distribution<std::uint32_t> start(0, 0xffffffffu);
  const double offsets[] = {0.0,
                            1.0,
                            1.5707,
                            DegreesToRadians(90.0),
                            DegreesToRadians(180.0),
                            DegreesToRadians(180.0) + 1.5707};
  const std::uint32_t sampleRates[] = {1, 1000, 8000, 44100, 192000};
  for (int run = 0; run < 200; ++run) {
    const double increment = kTwoPi / sampleRates[run % 5] * rate(random);
    const double offset = offsets[run % 6];
    std::uint32_t counter = run % 4 == 0 ? 0 : start(random) >> (run % 29);
    std::vector<double> x(4001);
    for (double& a : x) a = static_cast<double>(counter++) * increment + offset;
    ExpectSameBits(x);
  }
}

TEST(SineBlockTest, EveryMagnitudeAndSignGivesTheReferenceBits) {
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> exponent(-1080.0, 1030.0);
  std::vector<double> x(400'000);
  for (double& a : x) {
    const double m = std::exp2(exponent(random));
    a = random() % 2 ? m : -m;
  }
  ExpectSameBits(x);
}

// Arguments at the edges of each path (pi/4, 2^24, the tiny-argument cut),
// next to multiples of pi/2 (where the quadrant changes and the reduction
// cancels most of x), and the special values, mixed in pairs at random.
TEST(SineBlockTest, PathEdgesAndSpecialValuesGiveTheReferenceBits) {
  std::vector<double> edges = {0.0,
                               -0.0,
                               std::numeric_limits<double>::denorm_min(),
                               -std::numeric_limits<double>::denorm_min(),
                               std::numeric_limits<double>::min(),
                               std::numeric_limits<double>::max(),
                               -std::numeric_limits<double>::max(),
                               INFINITY,
                               -INFINITY,
                               NAN,
                               0x1p-27,
                               -0x1p-27,
                               kAtanOne,
                               -kAtanOne,
                               0x1p24,
                               -0x1p24,
                               1e-300};
  for (std::size_t i = 0, n = edges.size(); i < n; ++i) {
    double up = edges[i];
    double down = edges[i];
    for (int step = 0; step < 4; ++step) {
      up = std::nextafter(up, INFINITY);
      down = std::nextafter(down, -INFINITY);
      edges.push_back(up);
      edges.push_back(down);
    }
  }
  const long double halfPi = acosl(0.0L);
  for (std::int64_t k = -20'000; k < 20'000; ++k) {
    double x = static_cast<double>(static_cast<long double>(k * 397) * halfPi);
    edges.push_back(std::nextafter(x, -INFINITY));
    edges.push_back(x);
    edges.push_back(std::nextafter(x, INFINITY));
  }
  std::mt19937_64 random(5);
  std::vector<double> mixed(400'000);
  for (double& a : mixed) a = edges[random() % edges.size()];
  ExpectSameBits(edges);
  ExpectSameBits(mixed);
}

// The engines run with subnormals flushed to zero; the paths must agree there too.
TEST(SineBlockTest, SameBitsWithSubnormalsFlushed) {
  const FlushToZeroScope flush;
  std::mt19937_64 random(77);
  std::uniform_real_distribution<double> exponent(-1080.0, 30.0);
  std::vector<double> x(300'000);
  for (double& a : x) {
    const double m = std::exp2(exponent(random));
    a = random() % 2 ? m : -m;
  }
  ExpectSameBits(x);
}

// Block phases are the per-frame formula's values, also where the 32-bit frame
// counter wraps inside a block and right before it would.
TEST(SineBlockTest, BlockPhasesAreThoseOfTheFrameCounter) {
  const double increment = kTwoPi / 44100.0 * 1.7;
  for (const std::uint32_t counter :
       {0u, 1u, 12345u, 0xffffffffu - kBlockFrames, 0xffffffffu - kBlockFrames + 1, 0xffffffffu - 5,
        0xffffffffu}) {
    double phases[kBlockFrames];
    FillPhases(counter, increment, kBlockFrames, phases);
    std::uint32_t frame = counter;
    for (std::uint32_t i = 0; i < kBlockFrames; ++i, ++frame) {
      ASSERT_EQ(Bits(phases[i]), Bits(static_cast<double>(frame) * increment)) << counter;
    }
  }
}

// The ramp routines make an oscillator's phases themselves: the same bits as
// the per-frame formula's phase and the reference sine, for LFO and audio
// rates, with and without an offset, at lengths that leave a tail.
TEST(SineBlockTest, RampsGiveTheReferenceBitsOfTheFramePhases) {
  for (const double hertz : {0.04, 0.26, 1.3, 440.0, 19000.0}) {
    const double increment = kTwoPi / 44100.0 * hertz;
    for (const std::uint32_t counter : {0u, 7u, 100000u, 44100u * 600u, 0xffffffffu - 300u}) {
      for (const double offset : {0.0, 1.0, kPi, kPi + 1.0}) {
        for (const std::uint32_t count : {kBlockFrames, 5u, 1u}) {
          double s[kBlockFrames];
          double c[kBlockFrames];
          const PhaseRamp ramp{static_cast<double>(counter), increment, offset, offset != 0.0};
          SineRamp(ramp, count, s);
          CosineRamp(ramp, count, c);
          for (std::uint32_t i = 0; i < count; ++i) {
            double phase = static_cast<double>(counter + i) * increment;
            if (ramp.withOffset) phase += offset;
            ASSERT_EQ(Bits(s[i]), Bits(reference::Sine(phase))) << hertz << " Hz, frame " << i;
            ASSERT_EQ(Bits(c[i]), Bits(reference::Cosine(phase))) << hertz << " Hz, frame " << i;
          }
        }
      }
    }
  }
}

// Runs of arguments in one quadrant count n take a shortcut that reuses n's
// products; it holds only while every remainder is large enough. Runs that
// close in on a multiple of pi/2 from either side (remainders down to a few
// ulps), that cross one, that sit at the smallest and largest n it takes and
// just beyond, and negative ones, all give the reference bits.
TEST(SineBlockTest, RunsInOneQuadrantGiveTheReferenceBits) {
  std::vector<double> x;
  for (const double n : {1.0, 2.0, 3.0, 1000.0, 654321.0, 9999999.0, 10000000.0, 10000001.0}) {
    const double edge = n * kPi / 2.0;
    for (const double sign : {1.0, -1.0}) {
      // From well inside the quadrant to the edge, then across it.
      double step = 0.25;
      for (double at = edge - 0.7; step > 1e-12; step *= 0.5) {
        for (int k = 0; k < 8; ++k, at += step / 8.0) x.push_back(sign * at);
      }
      double near = edge;
      for (int k = 0; k < 16; ++k) {
        x.push_back(sign * near);
        near = std::nextafter(near, 0.0);
      }
      for (int k = 0; k < 16; ++k) x.push_back(sign * (edge + k * 1e-3));
      // Around n times pi/2's leading 28 bits, where x - n x (those bits)
      // vanishes and the shortcut must give way to the full sums.
      const double leading = n * 0x1.921fb54p+0;
      for (double at = leading - 1e-6; at < leading + 1e-6; at += 7.3e-8) x.push_back(sign * at);
      double up = leading;
      for (int k = 0; k < 12; ++k, up = std::nextafter(up, 1e300)) x.push_back(sign * up);
    }
  }
  // Up across 2^24, where the reduction changes method inside one quadrant count.
  for (double at = 0x1p24 - 2.0; at < 0x1p24 + 2.0; at += 1.0 / 64.0) x.push_back(at);
  // Down from inside the first quadrant across pi/4, where the reduction stops.
  for (const double sign : {1.0, -1.0}) {
    for (double at = 1.2; at > 0.8; at -= 0.01) x.push_back(sign * at);
    double below = std::nextafter(kPi / 4.0, 1.0);
    for (int k = 0; k < 8; ++k, below = std::nextafter(below, 0.0)) x.push_back(sign * below);
  }
  // The shortcut's state must not leak between calls or from an earlier run.
  x.push_back(0.5);
  x.push_back(std::numeric_limits<double>::quiet_NaN());
  ExpectSameBits(x);
}

}  // namespace
}  // namespace orkv
