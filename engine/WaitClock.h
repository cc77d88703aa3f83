#pragma once

#include "EventTime.h"

#include <chrono>

// The clock a command line's steps are timed on. Every wait runs to an absolute deadline, so
// that a late wake-up never shifts the steps after it; tests put a clock of their own.
class WaitClock {
public:
    using Time = std::chrono::nanoseconds; // on CLOCK_MONOTONIC
    enum class Woken { AtDeadline, Stopped, ReaderGone };

    virtual ~WaitClock() = default;

    virtual Time now() = 0;
    // Now, with the wall clock beside it.
    virtual EventTime stamp() = 0;
    // spin: the last stretch is spent watching the clock rather than asleep, so that an edge
    // comes on time. readerFd: a descriptor whose reader going away ends the wait, or -1.
    virtual Woken waitUntil(Time deadline, bool spin, int readerFd) = 0;
};
