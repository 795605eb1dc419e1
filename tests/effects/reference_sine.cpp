// The engines' sine and cosine as they were first written, one scalar call per
// argument, kept unchanged as the reference that every faster path must match
// bit for bit (SineTest checks the block routines and the scalar ones against it).
#include "tests/effects/reference_sine.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace orkv::reference {
namespace {

// pi/4, below which no reduction is needed.
constexpr double kPiOver4 = 0x1.921fb54442d18p-1;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
// pi/2 as a double-double, for turning a reduced fraction back into radians.
constexpr double kPiOver2Hi = 0x1.921fb54442d18p+0;
constexpr double kPiOver2Lo = 0x1.1a62633145c07p-54;

// pi/2 split into pieces of at most 28 significant bits, so that n x piece is
// exact for every n below 2^25. The last piece carries the remaining bits.
constexpr double kPiOver2Part1 = 0x1.921fb54p+0;
constexpr double kPiOver2Part2 = 0x1.10b461p-30;
constexpr double kPiOver2Part3 = 0x1.a62633p-58;
constexpr double kPiOver2Part4 = 0x1.45c06ep-86;
constexpr double kPiOver2Part5 = 0x1.cd129024e088ap-115;

// Arguments below this use the split above; larger ones use the bits of 2/pi.
constexpr double kMediumLimit = 0x1p24;

// The first 1280 bits of 2/pi, most significant first. Enough for any finite
// double: the window read starts at most 29 words in and is 8 words long.
constexpr std::uint32_t kTwoOverPiBits[40] = {
    0xA2F9836E, 0x4E441529, 0xFC2757D1, 0xF534DDC0, 0xDB629599, 0x3C439041, 0xFE5163AB, 0xDEBBC561,
    0xB7246E3A, 0x424DD2E0, 0x06492EEA, 0x09D1921C, 0xFE1DEB1C, 0xB129A73E, 0xE88235F5, 0x2EBB4484,
    0xE99C7026, 0xB45F7E41, 0x3991D639, 0x835339F4, 0x9C845F8B, 0xBDF9283B, 0x1FF897FF, 0xDE05980F,
    0xEF2F118B, 0x5A0A6D1F, 0x6D367ECF, 0x27CB09B7, 0x4F463F66, 0x9E5FEA2D, 0x7527BAC7, 0xEBE5F17B,
    0x3D0739F7, 0x8A5292EA, 0x6BFB5FB1, 0x1F8D5D08, 0x56033046, 0xFC7B6BAB, 0xF0CFBC20, 0x9AF4361D};

// x = quadrant x pi/2 + (hi + lo), |hi + lo| <= about pi/4.
struct Reduced {
  unsigned quadrant;
  double hi;
  double lo;
};

struct DoubleDouble {
  double hi;
  double lo;
};

// Exact sum a + b as a rounded sum and its error.
DoubleDouble TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// Exact product a x b without fused multiply-add (Dekker).
DoubleDouble TwoProduct(double a, double b) {
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1
  const double ca = kSplitter * a;
  const double aHi = ca - (ca - a);
  const double aLo = a - aHi;
  const double cb = kSplitter * b;
  const double bHi = cb - (cb - b);
  const double bLo = b - bHi;
  const double p = a * b;
  return {p, ((aHi * bHi - p) + aHi * bLo + aLo * bHi) + aLo * bLo};
}

// Cody-Waite: every product n x piece is exact and x - n x piece1 cancels
// exactly, so the remainder keeps full precision even close to a multiple of pi/2.
Reduced ReduceMedium(double x) {
  constexpr double kRoundingShift = 0x1.8p52;
  const double n = (x * kTwoOverPi + kRoundingShift) - kRoundingShift;
  double sum = x - n * kPiOver2Part1;
  double error = 0.0;
  for (const double piece : {kPiOver2Part2, kPiOver2Part3, kPiOver2Part4, kPiOver2Part5}) {
    const DoubleDouble step = TwoSum(sum, -(n * piece));
    sum = step.hi;
    error += step.lo;
  }
  const double hi = sum + error;
  const double lo = (sum - hi) + error;
  const auto quadrant = static_cast<unsigned>(static_cast<std::int64_t>(n) & 3);
  return {quadrant, hi, lo};
}

// Multiprecision helpers for the large-argument path (little-endian 32-bit limbs).
constexpr int kWindowWords = 8;
constexpr int kProductLimbs = kWindowWords + 2;

void MultiplyAdd(std::uint32_t* acc, const std::uint32_t* words, std::uint32_t factor, int offset) {
  std::uint64_t carry = 0;
  for (int j = 0; j < kWindowWords; ++j) {
    const std::uint64_t t = static_cast<std::uint64_t>(words[j]) * factor + acc[j + offset] + carry;
    acc[j + offset] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
  for (int j = kWindowWords + offset; carry != 0 && j < kProductLimbs; ++j) {
    const std::uint64_t t = acc[j] + carry;
    acc[j] = static_cast<std::uint32_t>(t);
    carry = t >> 32;
  }
}

// The 64 bits of the product starting at bit position pos (pos >= 0).
std::uint64_t BitsAt(const std::uint32_t* limbs, int pos) {
  const auto limb = [limbs](int i) -> std::uint64_t { return i < kProductLimbs ? limbs[i] : 0; };
  const int first = pos / 32;
  const int shift = pos % 32;
  const std::uint64_t low = limb(first) | (limb(first + 1) << 32);
  if (shift == 0) return low;
  return (low >> shift) | (limb(first + 2) << (64 - shift));
}

// Payne-Hanek: |x| = m x 2^e with m a 53-bit integer; multiply m by the window
// of 2/pi bits that decides x x 2/pi modulo 4 (earlier bits only add multiples
// of 4), then read the quadrant and 128 bits of fraction.
Reduced ReduceLarge(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  const bool negative = (bits >> 63) != 0;
  const int exponent = static_cast<int>((bits >> 52) & 0x7ff) - 1075;
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);

  const int firstWord = exponent > 34 ? (exponent - 34) / 32 : 0;
  const int pointPos = 224 - (exponent - 32 * firstWord - 32);  // bit of weight 1 in the product

  std::uint32_t window[kWindowWords];
  for (int j = 0; j < kWindowWords; ++j)
    window[j] = kTwoOverPiBits[firstWord + kWindowWords - 1 - j];
  std::uint32_t product[kProductLimbs] = {};
  MultiplyAdd(product, window, static_cast<std::uint32_t>(mantissa), 0);
  MultiplyAdd(product, window, static_cast<std::uint32_t>(mantissa >> 32), 1);

  unsigned quadrant = static_cast<unsigned>(BitsAt(product, pointPos)) & 3;
  std::uint64_t fracHi = BitsAt(product, pointPos - 64);
  std::uint64_t fracLo = BitsAt(product, pointPos - 128);
  // A fraction of one half or more rounds the quadrant up and leaves a negative remainder.
  const bool roundedUp = (fracHi >> 63) != 0;
  if (roundedUp) {
    quadrant += 1;
    fracLo = ~fracLo + 1;
    fracHi = ~fracHi + (fracLo == 0 ? 1 : 0);
  }
  if (fracHi == 0 && fracLo == 0) return {negative ? (4 - quadrant) & 3 : quadrant & 3, 0.0, 0.0};

  // Normalise the 128-bit fraction and take two exact 53-bit pieces of it.
  int zeros = fracHi != 0 ? std::countl_zero(fracHi) : 64 + std::countl_zero(fracLo);
  if (zeros >= 64) {
    fracHi = fracLo;
    fracLo = 0;
    zeros -= 64;
  } else if (zeros > 0) {
    fracHi = (fracHi << zeros) | (fracLo >> (64 - zeros));
    fracLo <<= zeros;
  }
  const double fHi = std::ldexp(static_cast<double>(fracHi >> 11), -53 - zeros);
  const double fLo =
      std::ldexp(static_cast<double>(((fracHi & 0x7ff) << 42) | (fracLo >> 22)), -106 - zeros);

  const DoubleDouble p = TwoProduct(fHi, kPiOver2Hi);
  double tail = p.lo + (fHi * kPiOver2Lo + fLo * kPiOver2Hi);
  double hi = p.hi + tail;
  double lo = tail - (hi - p.hi);
  if (roundedUp != negative) {
    hi = -hi;
    lo = -lo;
  }
  if (negative) quadrant = 4 - (quadrant & 3);
  return {quadrant & 3, hi, lo};
}

Reduced Reduce(double x) {
  if (std::fabs(x) < kMediumLimit) return ReduceMedium(x);
  return ReduceLarge(x);
}

// Polynomial kernels on [-pi/4, pi/4] for x + y (y a small tail): minimax
// fits of degree 13 (sine) and 14 (cosine), error well below 1 ulp.
constexpr double kS1 = -0x1.5555555555549p-3;
constexpr double kS2 = 0x1.111111110f8a6p-7;
constexpr double kS3 = -0x1.a01a019c161d5p-13;
constexpr double kS4 = 0x1.71de357b1fe7dp-19;
constexpr double kS5 = -0x1.ae5e68a2b9cebp-26;
constexpr double kS6 = 0x1.5d93a5acfd57cp-33;

constexpr double kC1 = 0x1.555555555554cp-5;
constexpr double kC2 = -0x1.6c16c16c15177p-10;
constexpr double kC3 = 0x1.a01a019cb159p-16;
constexpr double kC4 = -0x1.27e4f809c52adp-22;
constexpr double kC5 = 0x1.1ee9ebdb4b1c4p-29;
constexpr double kC6 = -0x1.8fae9be8838d4p-37;

double SineKernel(double x, double y) {
  const double z = x * x;
  const double w = z * z;
  const double r = kS2 + z * (kS3 + z * kS4) + z * w * (kS5 + z * kS6);
  const double v = z * x;
  // The tail enters to first order: sin(x + y) ~ sin(x) + y cos(x).
  return x - ((z * (0.5 * y - v * r) - y) - v * kS1);
}

// Without a tail (arguments that needed no reduction).
double SineKernel(double x) {
  // Below 2^-27, x^3/6 is under half an ulp of x (and x keeps the sign of zero).
  if (std::fabs(x) < 0x1p-27) return x;
  const double z = x * x;
  const double w = z * z;
  const double r = kS2 + z * (kS3 + z * kS4) + z * w * (kS5 + z * kS6);
  return x + z * x * (kS1 + z * r);
}

double CosineKernel(double x, double y) {
  const double z = x * x;
  const double w = z * z;
  const double r = z * (kC1 + z * (kC2 + z * kC3)) + w * w * (kC4 + z * (kC5 + z * kC6));
  const double halfZ = 0.5 * z;
  const double head = 1.0 - halfZ;
  // Recover the rounding error of 1 - z/2 so that the sum stays within 1 ulp.
  return head + (((1.0 - head) - halfZ) + (z * r - x * y));
}

SinCosPair SinCosReduced(const Reduced& r) {
  const double s = SineKernel(r.hi, r.lo);
  const double c = CosineKernel(r.hi, r.lo);
  switch (r.quadrant) {
    case 0:
      return {s, c};
    case 1:
      return {c, -s};
    case 2:
      return {-s, -c};
    default:
      return {-c, s};
  }
}

}  // namespace

SinCosPair SinCos(double x) {
  if (!std::isfinite(x)) return {x - x, x - x};
  if (std::fabs(x) <= kPiOver4) return {SineKernel(x), CosineKernel(x, 0.0)};
  return SinCosReduced(Reduce(x));
}

double Sine(double x) {
  if (!std::isfinite(x)) return x - x;
  if (std::fabs(x) <= kPiOver4) return SineKernel(x);
  const Reduced r = Reduce(x);
  switch (r.quadrant) {
    case 0:
      return SineKernel(r.hi, r.lo);
    case 1:
      return CosineKernel(r.hi, r.lo);
    case 2:
      return -SineKernel(r.hi, r.lo);
    default:
      return -CosineKernel(r.hi, r.lo);
  }
}

double Cosine(double x) {
  if (!std::isfinite(x)) return x - x;
  if (std::fabs(x) <= kPiOver4) return CosineKernel(x, 0.0);
  const Reduced r = Reduce(x);
  switch (r.quadrant) {
    case 0:
      return CosineKernel(r.hi, r.lo);
    case 1:
      return -SineKernel(r.hi, r.lo);
    case 2:
      return -CosineKernel(r.hi, r.lo);
    default:
      return SineKernel(r.hi, r.lo);
  }
}

}  // namespace orkv::reference
