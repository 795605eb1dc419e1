// Block loops that run four doubles at a time in AVX2 registers where the
// processor has them. GCC compiles such a form per function and the choice is
// made at run time; only where it can keep the stack aligned for 32-byte spills
// (x86-64 ELF; not Windows). The wide forms do the same operations on more
// lanes, so they give the same bits as the two-lane (SSE2) ones.
#pragma once

#if defined(__x86_64__) && defined(__ELF__)
#define ORKV_WIDE_VECTORS 1
#else
#define ORKV_WIDE_VECTORS 0
#endif

namespace orkv {

#if ORKV_WIDE_VECTORS
inline bool HaveWideVectors() {
  static const bool have = __builtin_cpu_supports("avx2");
  return have;
}
#endif

}  // namespace orkv
