// Exit codes and the failure message shared by the command-line programs.
#pragma once

#include <cstdio>
#include <string>

namespace orkv::render {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// "program: message" on stderr; the failure exit code.
inline int FailWith(const char* program, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  return kExitFailure;
}

}  // namespace orkv::render
