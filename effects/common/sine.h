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

namespace orkv {

double Sine(double x);
double Cosine(double x);

struct SinCosPair {
  double sin;
  double cos;
};
SinCosPair SinCos(double x);

}  // namespace orkv
