// Accuracy of the engines' own sine and cosine against the long double C
// library functions, which are accurate well beyond double precision on Linux.
#include "effects/common/sine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "effects/common/dsp_math.h"

namespace orkv {
namespace {

#if defined(_WIN32)
// MinGW's long double sine goes through x87 fsin, which is no reference.
constexpr bool kHaveReference = false;
#else
constexpr bool kHaveReference = true;
#endif

// Error of a double result in units of the double's last place at the true value.
double UlpError(double got, long double truth) {
  const double rounded = static_cast<double>(truth);
  const double ulp = rounded == 0.0
                         ? std::numeric_limits<double>::denorm_min()
                         : std::nextafter(std::fabs(rounded), INFINITY) - std::fabs(rounded);
  return static_cast<double>(std::fabs(static_cast<long double>(got) - truth) / ulp);
}

struct WorstCase {
  double sine = 0.0;
  double cosine = 0.0;
  double sineAt = 0.0;
  double cosineAt = 0.0;
  void Check(double x) {
    const double s = UlpError(Sine(x), sinl(static_cast<long double>(x)));
    const double c = UlpError(Cosine(x), cosl(static_cast<long double>(x)));
    if (s > sine) sine = s, sineAt = x;
    if (c > cosine) cosine = c, cosineAt = x;
    const SinCosPair both = SinCos(x);
    ASSERT_EQ(both.sin, Sine(x)) << x;
    ASSERT_EQ(both.cos, Cosine(x)) << x;
  }
};

#define EXPECT_WITHIN_ONE_ULP(worst)                                    \
  do {                                                                  \
    EXPECT_LT((worst).sine, 1.0) << "sine at " << (worst).sineAt;       \
    EXPECT_LT((worst).cosine, 1.0) << "cosine at " << (worst).cosineAt; \
  } while (0)

TEST(SineTest, WithinOneUlpOverTheEnginesPhaseRange) {
  if (!kHaveReference) GTEST_SKIP() << "no accurate reference on this platform";
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> phase(-1e7, 1e7);
  WorstCase worst;
  for (int i = 0; i < 2'000'000; ++i) worst.Check(phase(random));
  EXPECT_WITHIN_ONE_ULP(worst);
}

TEST(SineTest, WithinOneUlpAtEveryMagnitude) {
  if (!kHaveReference) GTEST_SKIP() << "no accurate reference on this platform";
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent(-30.0, 1000.0);
  WorstCase worst;
  for (int i = 0; i < 500'000; ++i) {
    const double x = std::exp2(exponent(random));
    worst.Check(i % 2 == 0 ? x : -x);
  }
  EXPECT_WITHIN_ONE_ULP(worst);
}

// Near multiples of pi/2 the reduction cancels almost all of x: the hardest case.
TEST(SineTest, WithinOneUlpNextToMultiplesOfHalfPi) {
  if (!kHaveReference) GTEST_SKIP() << "no accurate reference on this platform";
  const long double halfPi = acosl(0.0L);
  WorstCase worst;
  for (std::int64_t k = -200'000; k < 200'000; ++k) {
    const std::int64_t multiple = k * 37 + (k % 2 == 0 ? 0 : 7'000'000'000LL);
    double x = static_cast<double>(static_cast<long double>(multiple) * halfPi);
    x = std::nextafter(x, -INFINITY);
    for (int step = 0; step < 3; ++step, x = std::nextafter(x, INFINITY)) worst.Check(x);
  }
  EXPECT_WITHIN_ONE_ULP(worst);
}

TEST(SineTest, SpecialArguments) {
  EXPECT_EQ(Sine(0.0), 0.0);
  EXPECT_TRUE(std::signbit(Sine(-0.0)));
  EXPECT_EQ(Cosine(0.0), 1.0);
  EXPECT_EQ(Sine(1e-300), 1e-300);
  EXPECT_EQ(Sine(std::numeric_limits<double>::denorm_min()),
            std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(Cosine(1e-300), 1.0);
  for (const double bad : {INFINITY, -INFINITY, NAN}) {
    EXPECT_TRUE(std::isnan(Sine(bad)));
    EXPECT_TRUE(std::isnan(Cosine(bad)));
  }
  EXPECT_LE(std::fabs(Sine(std::numeric_limits<double>::max())), 1.0);
  // The engines' "atan(1)" constant is what the C library's atan(1) gives.
  EXPECT_EQ(kAtanOne, std::atan(1.0));
  EXPECT_EQ(kPi, 4.0 * std::atan(1.0));
  EXPECT_EQ(DegreesToRadians(180.0), 180.0 * std::atan(1.0) * (1.0 / 45.0));
}

}  // namespace
}  // namespace orkv
