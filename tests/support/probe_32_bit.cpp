// Run once before the 32-bit build's tests: prints what the test session
// expects only when this machine really runs a 32-bit Windows program.
#include <cstdio>

int main() {
  static_assert(sizeof(void*) == 4, "the probe is a 32-bit program");
  std::puts("32-bit ok");
  return 0;
}
