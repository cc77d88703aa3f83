#pragma once

#include "WaitClock.h"

// The machine's CLOCK_MONOTONIC. A wait sleeps on a timer armed for the deadline itself (no
// slack), then spins the last 200us; a stop signal or the reader's going ends it early.
class MonotonicClock final : public WaitClock {
public:
    MonotonicClock();
    ~MonotonicClock() override;
    MonotonicClock(const MonotonicClock &) = delete;
    MonotonicClock &operator=(const MonotonicClock &) = delete;

    Time now() override;
    EventTime stamp() override;
    Woken waitUntil(Time deadline, bool spin, int readerFd) override;

private:
    Woken sleepUntil(Time wake, int readerFd);

    int m_timer; // -1 where none could be had: waits then spin all the way
};

// Waking from a sleep takes tens of microseconds, and more on a busy machine: the last
// stretch before a deadline that an edge must keep is spent watching the clock.
inline constexpr WaitClock::Time kFinalSpin = std::chrono::microseconds(200);

// This process's, made at first use.
WaitClock &MachineClock();
