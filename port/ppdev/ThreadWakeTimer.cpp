#include "ThreadWakeTimer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <unistd.h>

namespace {

// Read and written by the thread and by its own wake handler, which interrupts it: plain
// data, no locks. The handler reaches it as static TLS, which needs no allocation: this
// library is linked into the program, never loaded later.
struct WakeState {
    timer_t timer;
    bool created;
    volatile sig_atomic_t running;  // the system timer is set
    volatile sig_atomic_t claiming; // between arm and disarm
};

thread_local WakeState t_wake{};

// Deletes this thread's timer as the thread ends.
struct TimerOwner {
    ~TimerOwner()
    {
        if (t_wake.created)
            timer_delete(t_wake.timer);
    }
};
thread_local TimerOwner t_owner;

int setTimer(std::chrono::nanoseconds period)
{
    const long long ns = std::max<long long>(period.count(), 1);
    const timespec every{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    const itimerspec when{every, every};
    return timer_settime(t_wake.timer, 0, &when, nullptr) == 0 ? 0 : errno;
}

// A wake outside a claim finds nothing to cut short: the timer stops here.
void onWake(int)
{
    if (t_wake.claiming || !t_wake.running)
        return;
    const int saved = errno;
    const itimerspec never{};
    timer_settime(t_wake.timer, 0, &never, nullptr);
    t_wake.running = 0;
    errno = saved;
}

int installHandlerOnce()
{
    static const int error = [] {
        struct sigaction wake {};
        wake.sa_handler = onWake;
        sigemptyset(&wake.sa_mask);
        wake.sa_flags = SA_RESTART;
        return sigaction(ThreadWakeTimer::wakeSignal(), &wake, nullptr) == 0 ? 0 : errno;
    }();
    return error;
}

int createTimer()
{
    if (const int error = installHandlerOnce())
        return error;
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, ThreadWakeTimer::wakeSignal());
    if (const int error = pthread_sigmask(SIG_UNBLOCK, &wake, nullptr))
        return error;
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = ThreadWakeTimer::wakeSignal();
    event._sigev_un._tid = gettid();
    if (timer_create(CLOCK_MONOTONIC, &event, &t_wake.timer) != 0)
        return errno;
    (void)&t_owner; // its destructor deletes the timer with the thread
    t_wake.created = true;
    return 0;
}

} // namespace

int ThreadWakeTimer::wakeSignal()
{
    return SIGRTMIN + 5;
}

int ThreadWakeTimer::prepare()
{
    return t_wake.created ? 0 : createTimer();
}

int ThreadWakeTimer::arm(std::chrono::nanoseconds period)
{
    if (const int error = prepare())
        return error;
    t_wake.claiming = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (t_wake.running)
        return 0;
    if (const int error = setTimer(period)) {
        t_wake.claiming = 0;
        return error;
    }
    t_wake.running = 1;
    return 0;
}

void ThreadWakeTimer::disarm()
{
    t_wake.claiming = 0;
}
