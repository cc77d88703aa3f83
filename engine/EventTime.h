#pragma once

#include <chrono>
#include <string>

// When something happened: on CLOCK_MONOTONIC, as other event tools stamp, with the wall
// clock beside it for people.
struct EventTime {
    std::chrono::nanoseconds monotonic;
    std::chrono::system_clock::time_point wall;
};

// "2856.034121": monotonic seconds, to the microsecond.
std::string MonotonicSeconds(const EventTime &at);
// "2026-12-07T14:03:45.024Z": UTC, ISO 8601, to the millisecond.
std::string UtcTime(const EventTime &at);
