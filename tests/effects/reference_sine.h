// The original scalar sine and cosine, the reference for the engines' faster paths.
#pragma once

namespace orkv::reference {

double Sine(double x);
double Cosine(double x);

struct SinCosPair {
  double sin;
  double cos;
};
SinCosPair SinCos(double x);

}  // namespace orkv::reference
