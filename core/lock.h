// A recursive lock: a critical section on Windows, a standard mutex elsewhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace orkv {

class RecursiveLock {
 public:
#ifdef _WIN32
  RecursiveLock() { InitializeCriticalSection(&section_); }
  ~RecursiveLock() { DeleteCriticalSection(&section_); }
  void lock() { EnterCriticalSection(&section_); }
  void unlock() { LeaveCriticalSection(&section_); }
#else
  RecursiveLock() = default;
  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
#endif
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

 private:
#ifdef _WIN32
  CRITICAL_SECTION section_;
#else
  std::recursive_mutex mutex_;
#endif
};

}  // namespace orkv
