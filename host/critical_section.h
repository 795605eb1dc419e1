// A Win32 critical section (recursive) and its scoped lock.
#pragma once

#include <windows.h>

namespace orkv::host {

class CCritSec {
 public:
  CCritSec() { InitializeCriticalSection(&section_); }
  ~CCritSec() { DeleteCriticalSection(&section_); }
  CCritSec(const CCritSec&) = delete;
  CCritSec& operator=(const CCritSec&) = delete;

  void Lock() { EnterCriticalSection(&section_); }
  void Unlock() { LeaveCriticalSection(&section_); }
  // Standard Lockable names, so std::lock_guard / std::unique_lock work too.
  void lock() { Lock(); }
  void unlock() { Unlock(); }

 private:
  CRITICAL_SECTION section_;
};

// Holds the lock from construction to the end of the scope.
class CAutoLock {
 public:
  explicit CAutoLock(CCritSec* lock) : lock_(lock) { lock_->Lock(); }
  ~CAutoLock() { lock_->Unlock(); }
  CAutoLock(const CAutoLock&) = delete;
  CAutoLock& operator=(const CAutoLock&) = delete;

 private:
  CCritSec* lock_;
};

}  // namespace orkv::host
