#include "ThreadWakeTimer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace {

void ignoreWake(int)
{
}

int installHandlerOnce()
{
    static const int error = [] {
        struct sigaction wake {};
        wake.sa_handler = ignoreWake;
        sigemptyset(&wake.sa_mask);
        wake.sa_flags = SA_RESTART;
        return sigaction(ThreadWakeTimer::wakeSignal(), &wake, nullptr) == 0 ? 0 : errno;
    }();
    return error;
}

timespec asTimespec(std::chrono::nanoseconds span)
{
    const long long ns = std::max<long long>(span.count(), 1);
    return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

} // namespace

int ThreadWakeTimer::wakeSignal()
{
    return SIGRTMIN + 5;
}

ThreadWakeTimer *ThreadWakeTimer::forThisThread()
{
    thread_local std::unique_ptr<ThreadWakeTimer> mine;
    if (mine)
        return mine.get();
    if (const int error = installHandlerOnce()) {
        errno = error;
        return nullptr;
    }
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, wakeSignal());
    if (const int error = pthread_sigmask(SIG_UNBLOCK, &wake, nullptr)) {
        errno = error;
        return nullptr;
    }
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = wakeSignal();
    event._sigev_un._tid = gettid();
    timer_t timer{};
    if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0)
        return nullptr;
    mine.reset(new ThreadWakeTimer(timer));
    return mine.get();
}

int ThreadWakeTimer::arm(std::chrono::nanoseconds first, std::chrono::nanoseconds repeat)
{
    const itimerspec when{asTimespec(repeat), asTimespec(first)};
    return timer_settime(static_cast<timer_t>(m_timer), 0, &when, nullptr) == 0 ? 0 : errno;
}

int ThreadWakeTimer::disarm()
{
    const itimerspec never{};
    return timer_settime(static_cast<timer_t>(m_timer), 0, &never, nullptr) == 0 ? 0 : errno;
}

ThreadWakeTimer::~ThreadWakeTimer()
{
    timer_delete(static_cast<timer_t>(m_timer));
}
