#pragma once

#include "platform/Clock.h"

namespace mervantic {

// Waits the given number of milliseconds of the clock's tick count while the event loop keeps
// dispatching events, so that socket events, timers and clicks run inside the wait. Values below
// 1 return at once without dispatching anything. Survives the wrap of the tick counter.
void waitMilliseconds(const Clock& clock, int ms);

// True once `ms` milliseconds have passed between the ticks `start` and `now`, where `now` may
// have wrapped round past 2^32.
bool tickWaitOver(std::uint32_t start, std::uint32_t now, int ms);

} // namespace mervantic
