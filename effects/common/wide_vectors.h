// Block loops that run four doubles at a time in AVX2 registers where the
// processor has them. GCC compiles such a form per function and the choice is
// made at run time. The wide forms do the same operations on more lanes, so
// they give the same bits as the two-lane (SSE2) ones.
//
// On Windows GCC cannot keep the stack aligned for 32-byte spills, so the wide
// forms are built there only where the build assembles aligned vector moves as
// unaligned ones (ORKV_UNALIGNED_VECTOR_MOVES, set with that option).
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && \
    (defined(__ELF__) || defined(ORKV_UNALIGNED_VECTOR_MOVES))
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
