// The lock and condition variable of the core's waits: a reply's hand-off
// from the worker to the caller waiting for it goes through them. On Linux
// the standard ones (futexes). On Windows the standard ones come from
// winpthreads, whose condition variables wait on semaphores, a call into
// the system on every wake and every wait; slim reader/writer locks and
// condition variables wait in the process.
#pragma once

#ifdef _WIN32
#include "windows/sync.h"
#else
#include <condition_variable>
#include <mutex>

namespace ousb::platform {
using Mutex = std::mutex;
using ConditionVariable = std::condition_variable;
} // namespace ousb::platform
#endif
