#pragma once

#include <chrono>
#include <csignal>
#include <ctime>

// Interrupts a system call sleeping in this thread once a time has passed, with a real-time
// signal that nothing else sends (the program, Qt and users use the classic ones). The
// handler, the timer and the signal mask are all undone on destruction, and a signal still
// pending then is consumed, so none is ever delivered later to the default action.
class ThreadWakeTimer {
public:
    explicit ThreadWakeTimer(std::chrono::nanoseconds after);
    ~ThreadWakeTimer();

    ThreadWakeTimer(const ThreadWakeTimer &) = delete;
    ThreadWakeTimer &operator=(const ThreadWakeTimer &) = delete;

    bool armed() const { return m_armed; }
    int armingError() const { return m_error; } // errno of the failed arming

    static int wakeSignal();

private:
    struct sigaction m_oldAction {};
    sigset_t m_oldMask{};
    timer_t m_timer{};
    bool m_armed = false;
    int m_error = 0;
};
