#include "ThreadWakeTimer.h"

#include <algorithm>
#include <cerrno>
#include <pthread.h>
#include <unistd.h>

namespace {

void ignoreWake(int)
{
}

} // namespace

int ThreadWakeTimer::wakeSignal()
{
    return SIGRTMIN + 5;
}

ThreadWakeTimer::ThreadWakeTimer(std::chrono::nanoseconds after)
{
    struct sigaction wake {};
    wake.sa_handler = ignoreWake;
    sigemptyset(&wake.sa_mask);
    wake.sa_flags = 0; // no SA_RESTART: the sleeping call must return EINTR
    sigaction(wakeSignal(), &wake, &m_oldAction);

    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, wakeSignal());
    pthread_sigmask(SIG_UNBLOCK, &unblock, &m_oldMask);

    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = wakeSignal();
    event._sigev_un._tid = gettid();
    if (timer_create(CLOCK_MONOTONIC, &event, &m_timer) != 0) {
        m_error = errno;
        return;
    }
    m_armed = true;
    const auto ns = std::max<long long>(after.count(), 1);
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
    when.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
    // Again and again, in case one lands just before the call starts to sleep.
    when.it_interval.tv_nsec = 10 * 1000000L;
    timer_settime(m_timer, 0, &when, nullptr);
}

ThreadWakeTimer::~ThreadWakeTimer()
{
    if (m_armed)
        timer_delete(m_timer);
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, wakeSignal());
    pthread_sigmask(SIG_BLOCK, &wake, nullptr);
    const timespec now{};
    while (sigtimedwait(&wake, nullptr, &now) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &m_oldMask, nullptr);
    sigaction(wakeSignal(), &m_oldAction, nullptr);
}
