#include "editor/model/value_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace orkv::page_model {
namespace {

struct TextCase {
  double value;
  const char* text;
};

TEST(FormatTwoDecimals, CutsTheSevenDecimalConversionAfterTwoDecimals) {
  const TextCase cases[] =
      {
          {2, "2.00"},          {0.06, "0.06"},  {-0.18, "-0.18"}, {0, "0.00"},
          {1.999, "1.99"},      {-15, "-15.00"}, {3, "3.00"},      {0.3, "0.30"},
          {1.99999999, "2.00"},  // the seven-decimal rounding carries into the integer
          {-14.9999, "-14.99"},
      };
  for (const TextCase& c : cases) EXPECT_EQ(FormatTwoDecimals(c.value), c.text) << c.value;
}

TEST(FormatTwoDecimals, ValuesThatShowOnlyZerosCarryNoSign) {
  const TextCase cases[] = {
      {-0.0, "0.00"},
      {0.0004, "0.00"},
      {-0.0004, "0.00"},
      {-1e-300, "0.00"},
      {-0.00999, "0.00"},
      {-0.01, "-0.01"},
      {std::numeric_limits<double>::denorm_min(), "0.00"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(FormatTwoDecimals(c.value), c.text) << c.value;
}

TEST(FormatTwoDecimals, HugeValuesKeepAllTheirIntegerDigits) {
  EXPECT_EQ(FormatTwoDecimals(1e20), "100000000000000000000.00");
  EXPECT_EQ(FormatTwoDecimals(-std::numeric_limits<double>::max()).size(), 309u + 1 + 3);
}

struct QuantityCase {
  double value;
  const char* unit;
  const char* text;
};

TEST(FormatQuantity, ThreeSignificantDigitsInTheFittingUnit) {
  const QuantityCase cases[] = {
      {700, "Hz", "700 Hz"},   {1200, "Hz", "1.20 kHz"},
      {100, "Hz", "100 Hz"},   {4000, "Hz", "4.00 kHz"},
      {999.4, "Hz", "999 Hz"}, {999.5, "Hz", "1.00 kHz"},
      {12.5, "ms", "12.5 ms"}, {8, "ms", "8.00 ms"},
      {0.5, "ms", "0.50 ms"},  {9.996, "ms", "10.0 ms"},
      {99.96, "ms", "100 ms"}, {350, "ms", "350 ms"},
      {1000, "ms", "1.00 s"},  {0.75, "factor", "0.75 factor"},
  };
  for (const QuantityCase& c : cases) {
    EXPECT_EQ(FormatQuantity(c.value, c.unit), c.text) << c.value << " " << c.unit;
  }
}

}  // namespace
}  // namespace orkv::page_model
