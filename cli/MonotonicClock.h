#pragma once

#include "WaitClock.h"

#include <memory>
#include <string>

// The machine's CLOCK_MONOTONIC. A wait sleeps on a timer armed for the deadline itself (no
// slack), then spins the last 200us; a stop signal or the reader's going ends it early.
class MonotonicClock final : public WaitClock {
public:
    // Null, with error set, when no timer can be had.
    static std::unique_ptr<MonotonicClock> create(std::string &error);
    ~MonotonicClock() override;
    MonotonicClock(const MonotonicClock &) = delete;
    MonotonicClock &operator=(const MonotonicClock &) = delete;

    Time now() override;
    EventTime stamp() override;
    Woken waitUntil(Time deadline, bool spin, int readerFd) override;

private:
    explicit MonotonicClock(int timer) : m_timer(timer) {}
    Woken sleepUntil(Time wake, int readerFd);

    int m_timer;
};
