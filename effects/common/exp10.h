// 10 to the power x in plain double arithmetic, so that the output volume of
// every engine is the same bit for bit on every platform (C libraries' pow
// differ in the last bit, and MinGW's goes through the x87 unit).
#pragma once

namespace orkv {

// Within about 1 ulp for |x| up to a few hundred; exactly 1 at x = 0.
double Exp10(double x);

}  // namespace orkv
