// How long the bounded tests run: a count from the environment for long runs,
// the short default otherwise.
#pragma once

#include <cstdlib>

namespace orkv::test {

inline int CountFromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  const int value = text != nullptr ? std::atoi(text) : 0;
  return value > 0 ? value : fallback;
}

}  // namespace orkv::test
