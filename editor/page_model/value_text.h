// Numbers as the page's display writes them.
#pragma once

#include <string>

namespace orkv::page_model {

// A sign, at least one integer digit and exactly two decimals, cut (not
// rounded) from the value rounded to seven decimals: 1.999 gives "1.99",
// -0.18 gives "-0.18". A value whose shown digits are all zero has no sign, so
// tiny negative values and -0.0 read "0.00", never "-0.00".
std::string FormatTwoDecimals(double value);

// A measured value with three significant digits and its unit, switching to
// the next larger unit (Hz to kHz, ms to s) from 1000 on: "700 Hz",
// "1.20 kHz", "12.5 ms", "2.98 ms", "1.00 s". Other units are never scaled.
std::string FormatQuantity(double value, const char* unit);

}  // namespace orkv::page_model
