// A fixed-capacity first-in first-out queue that hands items from one thread
// to another: the render host's reader, streaming and writer threads pass
// buffers through it.
//
// Built on the system's slim reader/writer lock and condition variable, which
// wait and wake without a round trip to the kernel's object manager (under
// Wine: without one to the wine server), so a hand-off per buffer costs little.
// Its storage is reserved by Open, outside the audio path; Push and Pop never
// allocate.
#pragma once

#include <windows.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "tools/render/slim_lock.h"

namespace orkv::render {

template <class T>
class HandoffQueue {
 public:
  HandoffQueue() = default;
  HandoffQueue(const HandoffQueue&) = delete;
  HandoffQueue& operator=(const HandoffQueue&) = delete;

  // Empties the queue and opens it for `capacity` items. Only while no thread
  // is pushing or popping.
  void Open(std::size_t capacity) {
    ExclusiveLock lock(lock_);
    slots_.clear();
    slots_.resize(capacity == 0 ? 1 : capacity);
    head_ = 0;
    count_ = 0;
    closed_ = false;
  }

  // Refuses further pushes and wakes every waiting thread; what is queued can
  // still be popped.
  void Close() {
    {
      ExclusiveLock lock(lock_);
      closed_ = true;
    }
    WakeAllConditionVariable(&changed_);
  }

  // Waits while the queue is full; false (and `item` kept by the caller) once
  // the queue is closed.
  bool Push(T&& item) {
    bool wake;
    {
      ExclusiveLock lock(lock_);
      while (!closed_ && count_ == slots_.size()) Wait();
      if (closed_) return false;
      slots_[(head_ + count_) % slots_.size()] = std::move(item);
      ++count_;
      wake = waiting_ > 0;
    }
    if (wake) WakeAllConditionVariable(&changed_);
    return true;
  }

  // Waits for an item; false once the queue is closed and empty.
  bool Pop(T& item) {
    bool wake;
    {
      ExclusiveLock lock(lock_);
      while (!closed_ && count_ == 0) Wait();
      if (!TakeFront(item)) return false;
      wake = waiting_ > 0;
    }
    if (wake) WakeAllConditionVariable(&changed_);
    return true;
  }

  // Takes whatever is queued without waiting, e.g. to release it.
  bool TryPop(T& item) {
    bool wake;
    {
      ExclusiveLock lock(lock_);
      if (!TakeFront(item)) return false;
      wake = waiting_ > 0;
    }
    if (wake) WakeAllConditionVariable(&changed_);
    return true;
  }

 private:
  // Lock held; returns with it held again. A change wakes only when someone
  // waits: waking a thread costs more than the hand-off itself.
  void Wait() {
    ++waiting_;
    SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    --waiting_;
  }

  // Lock held.
  bool TakeFront(T& item) {
    if (count_ == 0) return false;
    item = std::exchange(slots_[head_], T{});
    head_ = (head_ + 1) % slots_.size();
    --count_;
    return true;
  }

  // lock_ guards every member below it; changed_ is signalled after each change
  // that a waiting thread may be waiting for.
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
  std::vector<T> slots_;
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  bool closed_ = true;
  int waiting_ = 0;  // threads inside Wait
};

}  // namespace orkv::render
