#pragma once

#include <chrono>

// Cuts short a claim that sleeps in the calling thread, with a real-time signal that nothing
// else sends (the program, Qt and users use the classic ones). Between arm and disarm the
// thread is woken every period; the timer keeps running after disarm and stops by itself, from
// its next wake, so that a burst of claims costs one timer call rather than two a claim, and an
// idle thread is woken at most once more. The handler is installed once for good, with
// SA_RESTART: only calls the kernel never restarts (PPCLAIM's EINTR, poll, nanosleep) see a
// wake. One timer per thread, created at its first use.
class ThreadWakeTimer {
public:
    static int wakeSignal();

    // Makes this thread's timer ahead of its first arm, so that the first claim costs no more
    // than the next. 0 or the errno of what failed (no timer for this thread, no room for its
    // signal), as for arm.
    static int prepare();
    static int arm(std::chrono::nanoseconds period);
    static void disarm();
};
