#pragma once

#include <chrono>

// Interrupts a system call sleeping in the calling thread, with a real-time signal that
// nothing else sends (the program, Qt and users use the classic ones). Its handler does
// nothing and is installed once for good, with SA_RESTART, so a wake that lands after the
// call has returned does no harm; only calls the kernel never restarts (PPCLAIM's EINTR,
// poll) see it. One timer per thread, created at its first use and only armed and disarmed
// after that.
class ThreadWakeTimer {
public:
    // This thread's timer, or null with errno set when it cannot be had.
    static ThreadWakeTimer *forThisThread();
    static int wakeSignal();

    // First wake after `first`, then every `repeat` (one may land just before the call
    // sleeps). Both return 0 or the errno of the failed call.
    int arm(std::chrono::nanoseconds first, std::chrono::nanoseconds repeat);
    int disarm();

    ThreadWakeTimer(const ThreadWakeTimer &) = delete;
    ThreadWakeTimer &operator=(const ThreadWakeTimer &) = delete;
    ~ThreadWakeTimer();

private:
    explicit ThreadWakeTimer(void *timer) : m_timer(timer) {}
    void *m_timer; // timer_t
};
