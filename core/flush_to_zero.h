// Recursive filters fed with silence decay into the subnormal range, where
// every operation costs tens of times as much on x86 and where the Phaser and
// Filter memories would stay for as long as the silence lasts. While a
// FlushToZeroScope lives, the thread's SSE unit flushes subnormal results to
// zero and reads subnormal operands as zero; the caller's mode comes back when
// it ends, so the host's own arithmetic is left as it was. Only values below
// 2^-1022 (2^-126 for floats) are affected. Elsewhere it does nothing.
#pragma once

// On 32-bit x86 the compiler may default to x87 arithmetic, which has no
// flush-to-zero and rounds through 80 bits (renders would differ from every
// other build); such a build must not quietly lose both.
#if defined(__i386__) && !(defined(__SSE2__) && defined(__SSE2_MATH__))
#error \
    "32-bit x86 builds need SSE2 arithmetic: compile with -msse2 -mfpmath=sse (see cmake/mingw-w64-i686.cmake)"
#endif
#if defined(_MSC_VER) && defined(_M_IX86) && !(defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#error "32-bit x86 builds need SSE2 arithmetic: compile with /arch:SSE2"
#endif

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <xmmintrin.h>
#define ORKV_HAS_MXCSR 1
#endif

namespace orkv {

#ifdef ORKV_HAS_MXCSR
class FlushToZeroScope {
 public:
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;

  FlushToZeroScope() : saved_(_mm_getcsr()) {
    _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
  }
  ~FlushToZeroScope() { _mm_setcsr(saved_); }
  FlushToZeroScope(const FlushToZeroScope&) = delete;
  FlushToZeroScope& operator=(const FlushToZeroScope&) = delete;

 private:
  unsigned saved_;
};
#else
class FlushToZeroScope {};
#endif

}  // namespace orkv
