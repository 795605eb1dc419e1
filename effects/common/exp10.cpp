#include "effects/common/exp10.h"

#include <cmath>

namespace orkv {
namespace {

// log2(10) as a double-double: hi + lo.
constexpr double kLog2TenHi = 0x1.a934f0979a371p+1;
constexpr double kLog2TenLo = 0x1.7f2495fb7fa6dp-53;
// ln(2) as a double-double.
constexpr double kLnTwoHi = 0x1.62e42fefa39efp-1;
constexpr double kLnTwoLo = 0x1.abc9e3b39803fp-56;

// Splits a double into two halves whose products are exact (Dekker).
struct Split {
  double hi, lo;
};
Split SplitDouble(double a) {
  const double c = 134217729.0 * a;  // 2^27 + 1
  const double hi = c - (c - a);
  return {hi, a - hi};
}

// a x b as hi + lo exactly, without fused multiply-add.
void ExactProduct(double a, double b, double& hi, double& lo) {
  hi = a * b;
  const Split x = SplitDouble(a);
  const Split y = SplitDouble(b);
  lo = ((x.hi * y.hi - hi) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo;
}

// e^r - 1 for |r| <= 0.35 by its Taylor series (terms beyond r^15 are below
// 2^-60), Horner from the smallest term.
double ExpMinusOneNearZero(double r) {
  double sum = 0.0;
  for (int n = 15; n >= 2; --n) sum = (sum + 1.0) * r / n;
  return r + r * sum;
}

}  // namespace

double Exp10(double x) {
  if (std::isnan(x)) return x;
  if (x > 400.0) return HUGE_VAL;
  if (x < -400.0) return 0.0;
  // t = x log2(10) in double-double, split into a whole power of two n and a
  // remainder of at most 1/2, so 10^x = 2^n e^(remainder x ln 2).
  double hi, lo;
  ExactProduct(x, kLog2TenHi, hi, lo);
  lo += x * kLog2TenLo;
  const double n = std::nearbyint(hi);
  const double remainder = hi - n;  // exact
  // r = (remainder + lo) x ln 2, kept as r + rTail.
  double r, rTail;
  ExactProduct(remainder, kLnTwoHi, r, rTail);
  rTail += lo * kLnTwoHi + remainder * kLnTwoLo;
  // e^(r + rTail) = 1 + m + rTail (1 + m), with m = e^r - 1.
  const double m = ExpMinusOneNearZero(r);
  return std::ldexp(1.0 + (m + rTail * (1.0 + m)), static_cast<int>(n));
}

}  // namespace orkv
