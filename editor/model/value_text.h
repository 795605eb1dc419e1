// Numbers as the page's display writes them.
#pragma once

#include <string>

#include "editor/model/value_mapping.h"

namespace orkv::page_model {

// Two decimals cut from the seven-decimal form; tiny negative values and -0.0
// read "0.00", never "-0.00". Shared with the slider's own text.
using editor::FormatTwoDecimals;

// A measured value with three significant digits and its unit, switching to
// the next larger unit (Hz to kHz, ms to s) from 1000 on: "700 Hz",
// "1.20 kHz", "12.5 ms", "2.98 ms", "1.00 s". Other units are never scaled.
std::string FormatQuantity(double value, const char* unit);

}  // namespace orkv::page_model
