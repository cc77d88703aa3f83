#pragma once

#include "TurnSystem.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

// Copies of ours on one clock and one process table that the test owns: a wait passes its
// whole timeout at once, unless the test lets other copies act meanwhile.
struct FakeTurnSystem : TurnSystem {
    using Processes = std::map<std::uint32_t, ProcessState>;

    FakeTurnSystem(Clock::time_point &clock, std::uint32_t pid, Processes &processes)
        : clock(clock), pid(pid), processes(processes)
    {
    }

    Clock::time_point now() override { return clock; }
    std::uint32_t processId() override { return pid; }
    ProcessState processState(std::uint32_t of) override
    {
        const auto found = processes.find(of);
        return found == processes.end() ? ProcessState::Gone : found->second;
    }
    void waitWhile(const std::atomic<std::uint32_t> &word, std::uint32_t seen,
                   std::chrono::nanoseconds timeout) override
    {
        if (timeout <= std::chrono::nanoseconds(0) || timeout > std::chrono::milliseconds(10))
            ADD_FAILURE() << "a wait of " << timeout.count() << " ns";
        if (meanwhile)
            meanwhile();
        if (word.load() == seen)
            clock += timeout;
    }
    void wakeAll(std::atomic<std::uint32_t> &) override { ++wakes; }

    Clock::time_point &clock;
    std::uint32_t pid;
    Processes &processes;
    std::function<void()> meanwhile; // what other copies do while this one sleeps
    int wakes = 0;
};
