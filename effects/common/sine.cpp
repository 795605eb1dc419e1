#include "effects/common/sine.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <type_traits>

#include "effects/common/wide_vectors.h"

#if ORKV_WIDE_VECTORS
// Four-lane vectors pass through the always-inlined templates below only
// inside the AVX2 function; no call with them crosses an ABI boundary.
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace orkv {
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

template <class T>
struct Sum {
  T hi;
  T lo;
};

// Exact sum a + b as a rounded sum and its error.
template <class T>
[[gnu::always_inline]] inline Sum<T> TwoSum(T a, T b) {
  const T s = a + b;
  const T bb = s - a;
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

// Two doubles in one SSE2 register (a GCC vector): every arithmetic operation
// and comparison acts on each lane exactly as the scalar one does, so a routine
// written once for T = double and T = Double2 gives the same bits either way.
using Double2 = double __attribute__((vector_size(16)));
using Int2 = std::int64_t __attribute__((vector_size(16)));

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

// The constants of the medium reduction and the kernels, one per lane. The
// scalar routines use them as compile-time constants; the block routines read
// them from memory as whole vectors (one operand each), where the compiler
// would otherwise spread each scalar across the lanes at every use.
template <class T>
struct Constants {
  T twoOverPi, roundingShift;
  T piOver2Part1, piOver2Part2, piOver2Part3, piOver2Part4, piOver2Part5;
  T s1, s2, s3, s4, s5, s6;
  T c1, c2, c3, c4, c5, c6;
  T half, one;
};

template <class T>
constexpr Constants<T> MakeConstants() {
  const auto all = [](double v) {
    if constexpr (std::is_same_v<T, double>) {
      return v;
    } else {
      return T{} + v;
    }
  };
  return {all(kTwoOverPi),    all(0x1.8p52),      all(kPiOver2Part1),
          all(kPiOver2Part2), all(kPiOver2Part3), all(kPiOver2Part4),
          all(kPiOver2Part5), all(kS1),           all(kS2),
          all(kS3),           all(kS4),           all(kS5),
          all(kS6),           all(kC1),           all(kC2),
          all(kC3),           all(kC4),           all(kC5),
          all(kC6),           all(0.5),           all(1.0)};
}

constexpr Constants<double> kScalar = MakeConstants<double>();
constexpr Constants<Double2> kLanes = MakeConstants<Double2>();

// x = n x pi/2 + (hi + lo) for |x| < 2^24; `shifted` is n + 1.5 x 2^52, an
// integer in [2^52, 2^53) whose lowest mantissa bits are those of n.
template <class T>
struct MediumReduction {
  T shifted;
  T hi;
  T lo;
};

// Cody-Waite: every product n x piece is exact and x - n x piece1 cancels
// exactly, so the remainder keeps full precision even close to a multiple of pi/2.
template <class T>
[[gnu::always_inline]] inline MediumReduction<T> ReduceMediumParts(T x, const Constants<T>& k) {
  const T shifted = x * k.twoOverPi + k.roundingShift;
  const T n = shifted - k.roundingShift;
  T sum = x - n * k.piOver2Part1;
  T error = T{};
  for (const T& piece : {k.piOver2Part2, k.piOver2Part3, k.piOver2Part4, k.piOver2Part5}) {
    const Sum<T> step = TwoSum<T>(sum, -(n * piece));
    sum = step.hi;
    error += step.lo;
  }
  const T hi = sum + error;
  const T lo = (sum - hi) + error;
  return {shifted, hi, lo};
}

Reduced ReduceMedium(double x) {
  const MediumReduction<double> r = ReduceMediumParts(x, kScalar);
  const double n = r.shifted - 0x1.8p52;
  const auto quadrant = static_cast<unsigned>(static_cast<std::int64_t>(n) & 3);
  return {quadrant, r.hi, r.lo};
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

template <class T>
[[gnu::always_inline]] inline T SineKernel(T x, T y, const Constants<T>& k) {
  const T z = x * x;
  const T w = z * z;
  const T r = k.s2 + z * (k.s3 + z * k.s4) + z * w * (k.s5 + z * k.s6);
  const T v = z * x;
  // The tail enters to first order: sin(x + y) ~ sin(x) + y cos(x).
  return x - ((z * (k.half * y - v * r) - y) - v * k.s1);
}

// Without a tail (arguments that needed no reduction).
template <class T>
[[gnu::always_inline]] inline T SineKernelPolynomial(T x, const Constants<T>& k) {
  const T z = x * x;
  const T w = z * z;
  const T r = k.s2 + z * (k.s3 + z * k.s4) + z * w * (k.s5 + z * k.s6);
  return x + z * x * (k.s1 + z * r);
}

// Below 2^-27, x^3/6 is under half an ulp of x (and x keeps the sign of zero).
constexpr double kTinyArgument = 0x1p-27;

double SineKernel(double x) {
  if (std::fabs(x) < kTinyArgument) return x;
  return SineKernelPolynomial(x, kScalar);
}

template <class V>
[[gnu::always_inline]] inline V SineKernelLanes(V x, const Constants<V>& k) {
  const V polynomial = SineKernelPolynomial(x, k);
  return (x < kTinyArgument && x > -kTinyArgument) ? x : polynomial;
}

template <class T>
[[gnu::always_inline]] inline T CosineKernel(T x, T y, const Constants<T>& k) {
  const T z = x * x;
  const T w = z * z;
  const T r = z * (k.c1 + z * (k.c2 + z * k.c3)) + w * w * (k.c4 + z * (k.c5 + z * k.c6));
  const T halfZ = k.half * z;
  const T head = k.one - halfZ;
  // Recover the rounding error of 1 - z/2 so that the sum stays within 1 ulp.
  return head + (((k.one - head) - halfZ) + (z * r - x * y));
}

SinCosPair SinCosReduced(const Reduced& r) {
  const double s = SineKernel(r.hi, r.lo, kScalar);
  const double c = CosineKernel(r.hi, r.lo, kScalar);
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

// The block routines: two arguments at a time, each lane computed by the same
// operations as the scalar routine for that argument.

// sin(x + quarterTurns x pi/2) from the kernels of a reduced argument whose
// quadrant (plus quarterTurns) is `turn`, modulo 4.
template <class T>
[[gnu::always_inline]] inline T Quadrant(unsigned turn, T s, T c) {
  switch (turn & 3) {
    case 0:
      return s;
    case 1:
      return c;
    case 2:
      return -s;
    default:
      return -c;
  }
}

template <class T>
[[gnu::always_inline]] inline T QuadrantKernel(unsigned turn, T hi, T lo, const Constants<T>& k) {
  switch (turn & 3) {
    case 0:
      return SineKernel(hi, lo, k);
    case 1:
      return CosineKernel(hi, lo, k);
    case 2:
      return -SineKernel(hi, lo, k);
    default:
      return -CosineKernel(hi, lo, k);
  }
}

// All lanes set (comparison results are 0 or -1 per lane).
template <class I>
[[gnu::always_inline]] inline bool AllLanes(const I& mask) {
#if defined(__SSE2__)
  if constexpr (sizeof(I) == 32) {
    // Both halves folded into one two-lane mask.
    const Int2 folded =
        __builtin_shufflevector(mask, mask, 0, 1) & __builtin_shufflevector(mask, mask, 2, 3);
    return AllLanes(folded);
  } else {
    // The lanes' sign bits, all at once.
    return __builtin_ia32_movmskpd(std::bit_cast<Double2>(mask)) == 3;
  }
#else
  std::int64_t all = -1;
  for (std::size_t lane = 0; lane < sizeof(I) / sizeof(std::int64_t); ++lane) all &= mask[lane];
  return all != 0;
#endif
}

// The medium reduction's products for one quadrant count n, kept while an
// oscillator's phases stay in one quadrant (thousands of frames at LFO rates):
// those phases then skip the products and most of the exact sums' work.
template <class V>
struct SharedReduction {
  V shifted = V{} + std::numeric_limits<double>::quiet_NaN();  // n + 1.5 x 2^52 in every lane
  V product1{};                                                // n x piece 1
  V negativeProducts[4]{};  // -(n x piece) for pieces 2 to 5, as the reduction adds them
  // While every remainder x - n x piece 1 is at least this large (twice
  // n x piece 2), each partial sum of the reduction is at least as large as
  // the next product, so a fast two-sum gives each step's exact error, the
  // same bits as the full two-sum.
  V fastLimit{};
  unsigned quadrant = 0;
};

// Quadrant counts held: a matching n in this range implies the medium path's
// range, pi/4 < |x| < 2^24. (At |x| = kPiOver4, |x| x kTwoOverPi is exactly
// 1/2, which rounds to the even n = 0; every larger |x| gives n >= 1.)
constexpr double kSharedLowest = 1.0;
constexpr double kSharedHighest = 1e7;

template <class V, class I>
[[gnu::always_inline]] inline V Magnitude(const V& v) {
  return std::bit_cast<V>(std::bit_cast<I>(v) & 0x7fffffffffffffff);
}

// Holds n when it is one the shared path may use; forgets otherwise.
template <class V, class I>
[[gnu::always_inline]] inline void Share(double shifted, const Constants<V>& k,
                                         SharedReduction<V>& shared) {
  const double n = shifted - 0x1.8p52;
  if (!(std::fabs(n) >= kSharedLowest && std::fabs(n) <= kSharedHighest)) {
    shared.shifted = V{} + std::numeric_limits<double>::quiet_NaN();
    return;
  }
  shared.shifted = V{} + shifted;
  shared.product1 = (V{} + n) * k.piOver2Part1;
  const V pieces[4] = {k.piOver2Part2, k.piOver2Part3, k.piOver2Part4, k.piOver2Part5};
  for (int p = 0; p < 4; ++p) shared.negativeProducts[p] = -((V{} + n) * pieces[p]);
  shared.fastLimit = Magnitude<V, I>(shared.negativeProducts[0]) * 2.0;
  shared.quadrant = static_cast<unsigned>(static_cast<std::int64_t>(n) & 3);
}

// The shared path for one vector: false (nothing written) unless every lane
// has the held n and a remainder the fast sums cover.
template <class V, class I, unsigned quarterTurns>
[[gnu::always_inline]] inline bool SharedPath(const V& v, const Constants<V>& k,
                                              const SharedReduction<V>& shared, V& result) {
  const V shifted = v * k.twoOverPi + k.roundingShift;
  if (!AllLanes(I(shifted == shared.shifted))) return false;
  V sum = v - shared.product1;
  if (!AllLanes(I(Magnitude<V, I>(sum) >= shared.fastLimit))) return false;
  V error = V{};
  for (const V& product : shared.negativeProducts) {
    const V next = sum + product;
    error += product - (next - sum);
    sum = next;
  }
  const V hi = sum + error;
  const V lo = (sum - hi) + error;
  result = QuadrantKernel(shared.quadrant + quarterTurns, hi, lo, k);
  return true;
}

// Where a block's arguments come from: an array, or an oscillator's phases
// made on the fly (the same operations, in the same order, as FillPhases and
// the offset's addition in oscillator.h).
struct ArrayArguments {
  const double* x;

  template <class V>
  [[gnu::always_inline]] V Vector(std::size_t i) const {
    V v;
    std::memcpy(&v, x + i, sizeof v);
    return v;
  }
  double Scalar(std::size_t i) const { return x[i]; }
};

template <bool withOffset>
struct RampArguments {
  PhaseRamp ramp;

  template <class V>
  [[gnu::always_inline]] V Vector(std::size_t i) const {
    V lanes;
    for (std::size_t lane = 0; lane < sizeof(V) / sizeof(double); ++lane) {
      lanes[lane] = static_cast<double>(lane);
    }
    // Whole numbers below 2^33: every sum here is exact.
    const V frame = lanes + static_cast<double>(i);
    const V phase = (ramp.first + frame) * ramp.increment;
    return withOffset ? phase + ramp.offset : phase;
  }
  double Scalar(std::size_t i) const {
    const double phase = (ramp.first + static_cast<double>(i)) * ramp.increment;
    return withOffset ? phase + ramp.offset : phase;
  }
};

// Writes the sine (quarterTurns 0) or cosine (1) of each argument to out, V
// holding several lanes of I-typed bits. Inlined into the per-width entry
// points below.
template <class V, class I, unsigned quarterTurns, class Arguments>
[[gnu::always_inline]] inline void Block(const Arguments& arguments, double* out, std::size_t count,
                                         const Constants<V>* constants) {
  constexpr std::size_t kWidth = sizeof(V) / sizeof(double);
  // Hidden from the optimiser, so that every constant is read from memory as
  // a whole vector rather than rebuilt from its scalar at each use.
  asm("" : "+r"(constants));
  const Constants<V>& k = *constants;
  SharedReduction<V> shared;
  std::size_t i = 0;
  for (; i + kWidth <= count; i += kWidth) {
    const V v = arguments.template Vector<V>(i);
    V result;
    if (SharedPath<V, I, quarterTurns>(v, k, shared, result)) {
      std::memcpy(out + i, &result, sizeof result);
      continue;
    }
    const V a = Magnitude<V, I>(v);
    // The scalar routine's paths; NaN and infinities take neither.
    if (AllLanes(I((a > kPiOver4) & (a < kMediumLimit)))) {
      const MediumReduction<V> r = ReduceMediumParts(v, k);
      if (AllLanes(I(r.shifted == r.shifted[0]))) {
        Share<V, I>(r.shifted[0], k, shared);
      }
      // The quadrant is n & 3: the lowest bits of `shifted` (n + 1.5 x 2^52,
      // whose mantissa holds 2^51 + n) are those of n.
      const I bits = std::bit_cast<I>(r.shifted) & 3;
      if (AllLanes(I(bits == bits[0]))) {
        result = QuadrantKernel(static_cast<unsigned>(bits[0]) + quarterTurns, r.hi, r.lo, k);
      } else {
        const V s = SineKernel(r.hi, r.lo, k);
        const V c = CosineKernel(r.hi, r.lo, k);
        for (std::size_t lane = 0; lane < kWidth; ++lane) {
          result[lane] =
              Quadrant(static_cast<unsigned>(bits[lane]) + quarterTurns, s[lane], c[lane]);
        }
      }
    } else if (AllLanes(I(a <= kPiOver4))) {
      result = quarterTurns == 0 ? SineKernelLanes(v, k) : CosineKernel(v, V{}, k);
    } else {
      // Mixed paths, large arguments, NaN and infinities: one at a time.
      for (std::size_t lane = 0; lane < kWidth; ++lane) {
        result[lane] = quarterTurns == 0 ? Sine(v[lane]) : Cosine(v[lane]);
      }
    }
    std::memcpy(out + i, &result, sizeof result);
  }
  for (; i < count; ++i) {
    const double v = arguments.Scalar(i);
    out[i] = quarterTurns == 0 ? Sine(v) : Cosine(v);
  }
}

template <unsigned quarterTurns, class Arguments>
void TwoLanes(const Arguments& arguments, double* out, std::size_t count) {
  Block<Double2, Int2, quarterTurns>(arguments, out, count, &kLanes);
}

#if ORKV_WIDE_VECTORS
// Four lanes in AVX2 registers where the processor has them. The same
// operations on more lanes at once: the same bits.
using Double4 = double __attribute__((vector_size(32)));
using Int4 = std::int64_t __attribute__((vector_size(32)));
alignas(32) constexpr Constants<Double4> kFourLanes = MakeConstants<Double4>();

template <unsigned quarterTurns, class Arguments>
[[gnu::target("avx2")]] void FourLanes(const Arguments& arguments, double* out, std::size_t count) {
  Block<Double4, Int4, quarterTurns>(arguments, out, count, &kFourLanes);
}
#endif

// The widest form the processor runs.
template <unsigned quarterTurns, class Arguments>
void Widest(const Arguments& arguments, double* out, std::size_t count) {
#if ORKV_WIDE_VECTORS
  if (HaveWideVectors()) return FourLanes<quarterTurns>(arguments, out, count);
#endif
  TwoLanes<quarterTurns>(arguments, out, count);
}

template <unsigned quarterTurns>
void Ramp(const PhaseRamp& ramp, std::size_t count, double* out) {
  if (ramp.withOffset) {
    Widest<quarterTurns>(RampArguments<true>{ramp}, out, count);
  } else {
    Widest<quarterTurns>(RampArguments<false>{ramp}, out, count);
  }
}

}  // namespace

void SineBlock(double* x, std::size_t count) { Widest<0>(ArrayArguments{x}, x, count); }
void CosineBlock(double* x, std::size_t count) { Widest<1>(ArrayArguments{x}, x, count); }
void SineRamp(const PhaseRamp& ramp, std::size_t count, double* out) { Ramp<0>(ramp, count, out); }
void CosineRamp(const PhaseRamp& ramp, std::size_t count, double* out) {
  Ramp<1>(ramp, count, out);
}

namespace sine_lanes {
void SineBlockTwoLanes(double* x, std::size_t count) { TwoLanes<0>(ArrayArguments{x}, x, count); }
void CosineBlockTwoLanes(double* x, std::size_t count) { TwoLanes<1>(ArrayArguments{x}, x, count); }
}  // namespace sine_lanes

SinCosPair SinCos(double x) {
  if (!std::isfinite(x)) return {x - x, x - x};
  if (std::fabs(x) <= kPiOver4) return {SineKernel(x), CosineKernel(x, 0.0, kScalar)};
  return SinCosReduced(Reduce(x));
}

double Sine(double x) {
  if (!std::isfinite(x)) return x - x;
  if (std::fabs(x) <= kPiOver4) return SineKernel(x);
  const Reduced r = Reduce(x);
  switch (r.quadrant) {
    case 0:
      return SineKernel(r.hi, r.lo, kScalar);
    case 1:
      return CosineKernel(r.hi, r.lo, kScalar);
    case 2:
      return -SineKernel(r.hi, r.lo, kScalar);
    default:
      return -CosineKernel(r.hi, r.lo, kScalar);
  }
}

double Cosine(double x) {
  if (!std::isfinite(x)) return x - x;
  if (std::fabs(x) <= kPiOver4) return CosineKernel(x, 0.0, kScalar);
  const Reduced r = Reduce(x);
  switch (r.quadrant) {
    case 0:
      return CosineKernel(r.hi, r.lo, kScalar);
    case 1:
      return -SineKernel(r.hi, r.lo, kScalar);
    case 2:
      return -CosineKernel(r.hi, r.lo, kScalar);
    default:
      return SineKernel(r.hi, r.lo, kScalar);
  }
}

}  // namespace orkv
