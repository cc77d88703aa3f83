#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>

// Nanoseconds per call of body, best of several rounds so a busy moment does not count.
template <typename Body>
double nanosecondsPerCall(long calls, Body &&body)
{
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < calls; ++i)
            body(i);
        const std::chrono::duration<double, std::nano> spent =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / static_cast<double>(calls));
    }
    return best;
}

template <typename T>
inline void keep(const T &value)
{
    asm volatile("" : : "g"(&value) : "memory");
}
