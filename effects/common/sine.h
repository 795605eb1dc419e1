// Sine and cosine for the oscillators and resonators of every engine.
//
// The engines evaluate these on phases that grow without bound (frame counter x
// increment, up to millions of radians), and their renders must agree bit for
// bit on every platform. The C library cannot promise that (MinGW's sin goes
// through the x87 fsin instruction, glibc's does not), so this routine uses
// plain double arithmetic only: exact argument reduction by pi/2, then
// polynomial kernels on [-pi/4, pi/4]. Results are within 1 ulp of the true
// value for every finite argument; NaN and infinities give NaN.
#pragma once

#include <cstddef>

namespace orkv {

double Sine(double x);
double Cosine(double x);

struct SinCosPair {
  double sin;
  double cos;
};
SinCosPair SinCos(double x);

// Replaces x[i] with Sine(x[i]) or Cosine(x[i]) for a whole block, bit for
// bit, at a fraction of the cost: two arguments share each operation. The
// engines' oscillators fill blocks of phases and take their sines with these.
void SineBlock(double* x, std::size_t count);
void CosineBlock(double* x, std::size_t count);

// An oscillator's phases, (first + i) x increment (+ offset), with first + i
// below 2^33 so that every sum is exact.
struct PhaseRamp {
  double first;
  double increment;
  double offset;
  bool withOffset;
};
// out[i] = Sine or Cosine of phase i of the ramp: the phases made and their
// sines taken in one pass, the same bits as filling them and SineBlock.
void SineRamp(const PhaseRamp& ramp, std::size_t count, double* out);
void CosineRamp(const PhaseRamp& ramp, std::size_t count, double* out);

// The two-lane (SSE2) form of the block routines, which the above use where the
// processor has no AVX2: for tests that check both forms on any machine.
namespace sine_lanes {
void SineBlockTwoLanes(double* x, std::size_t count);
void CosineBlockTwoLanes(double* x, std::size_t count);
}  // namespace sine_lanes

}  // namespace orkv
