// An allocator for the render host's own pins: a fixed set of samples handed
// out and taken back under the system's slim lock. The platform's allocator
// waits on a semaphore, which under Wine costs a round trip to the wine server
// for every buffer taken and every one given back; this one calls the kernel
// only to wake a thread that actually waits.
//
// The usual allocator contract: SetProperties before Commit (and not while
// samples are out); GetBuffer waits for a free sample while committed and
// fails with VFW_E_NOT_COMMITTED once decommitted, which also wakes every
// waiting thread; a sample goes back when its last reference is released.
#pragma once

#include <strmif.h>
#include <windows.h>

#include "host/com_ptr.h"

namespace orkv::render {

// A new allocator, with one reference.
host::ComPtr<IMemAllocator> CreatePooledAllocator();

}  // namespace orkv::render
