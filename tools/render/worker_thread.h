// A thread that lives as long as its owner and runs one job at a time: the
// render host's reader, streaming and writer work. Under Wine a new thread
// takes about a millisecond to start (every loaded library sees it attach),
// so the source and the sink start theirs when they are built, not each time
// the graph runs, and park them between streams.
//
// Start and Join mirror std::thread's constructor and join, for an owner that
// runs a job per stream.
#pragma once

#include <windows.h>

#include <functional>
#include <thread>
#include <utility>

#include "tools/render/slim_lock.h"

namespace orkv::render {

class WorkerThread {
 public:
  WorkerThread() : thread_([this] { Serve(); }) {}
  ~WorkerThread() {
    Join();
    {
      ExclusiveLock lock(lock_);
      quitting_ = true;
    }
    WakeAllConditionVariable(&changed_);
    thread_.join();
  }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs `job` on the thread. The job started before must have been joined.
  void Start(std::function<void()> job) {
    {
      ExclusiveLock lock(lock_);
      job_ = std::move(job);
      running_ = true;
    }
    WakeAllConditionVariable(&changed_);
  }

  // Returns once the job started last has returned (at once when none runs).
  void Join() {
    ExclusiveLock lock(lock_);
    while (running_) SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
  }

 private:
  void Serve() {
    ExclusiveLock lock(lock_);
    for (;;) {
      while (!running_ && !quitting_) SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
      if (!running_) return;  // quitting with no job
      std::function<void()> job = std::exchange(job_, nullptr);
      ReleaseSRWLockExclusive(&lock_);
      job();
      AcquireSRWLockExclusive(&lock_);
      running_ = false;
      WakeAllConditionVariable(&changed_);
    }
  }

  // lock_ guards the members below it; changed_ is signalled after each change.
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
  std::function<void()> job_;
  bool running_ = false;   // a job is set or runs
  bool quitting_ = false;  // the owner is going away
  std::thread thread_;     // last: starts once everything above is ready
};

}  // namespace orkv::render
