// The system's slim reader/writer lock held exclusively for a scope: the
// render host's hand-offs between threads are built on it and on its
// condition variables, which wait and wake without a round trip to the
// kernel's object manager (under Wine: without one to the wine server).
#pragma once

#include <windows.h>

namespace orkv::render {

class ExclusiveLock {
 public:
  explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace orkv::render
