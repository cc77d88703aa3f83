#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

// What copies need of the system to take turns, behind an interface so that tests can run
// them on a clock and a process table of their own.
class TurnSystem {
public:
    using Clock = std::chrono::steady_clock;
    enum class ProcessState { Running, Stopped, Gone };

    virtual ~TurnSystem() = default;

    virtual Clock::time_point now() = 0;
    virtual std::uint32_t processId() = 0;
    // Of any number found in the table, however wild: a number that names no process is Gone.
    virtual ProcessState processState(std::uint32_t pid) = 0;
    // Sleeps while word holds seen, for at most timeout; may return early.
    virtual void waitWhile(const std::atomic<std::uint32_t> &word, std::uint32_t seen,
                           std::chrono::nanoseconds timeout) = 0;
    virtual void wakeAll(std::atomic<std::uint32_t> &word) = 0;
};
