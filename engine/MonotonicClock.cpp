#include "MonotonicClock.h"

#include "StopSignals.h"

#include <cerrno>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

timespec asTimespec(WaitClock::Time time)
{
    return {static_cast<time_t>(time.count() / 1000000000),
            static_cast<long>(time.count() % 1000000000)};
}

} // namespace

MonotonicClock::MonotonicClock() : m_timer(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC))
{
    // The default slack lets every sleep of the run end up to 50us late.
    prctl(PR_SET_TIMERSLACK, 1UL);
}

MonotonicClock::~MonotonicClock()
{
    if (m_timer >= 0)
        close(m_timer);
}

WaitClock::Time MonotonicClock::now()
{
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

EventTime MonotonicClock::stamp()
{
    return {now(), std::chrono::system_clock::now()};
}

WaitClock::Woken MonotonicClock::waitUntil(Time deadline, bool spin, int readerFd)
{
    const Time wake = spin ? deadline - kFinalSpin : deadline;
    if (m_timer >= 0 && now() < wake) {
        if (const Woken woken = sleepUntil(wake, readerFd); woken != Woken::AtDeadline)
            return woken;
    }
    while (now() < deadline)
        if (StopSignals::received())
            return Woken::Stopped;
    return StopSignals::received() ? Woken::Stopped : Woken::AtDeadline;
}

// The stop signals get in only inside ppoll, so that one arriving just before the sleep
// still ends it.
WaitClock::Woken MonotonicClock::sleepUntil(Time wake, int readerFd)
{
    const itimerspec at{{0, 0}, asTimespec(wake)};
    if (timerfd_settime(m_timer, TFD_TIMER_ABSTIME, &at, nullptr) != 0)
        return Woken::AtDeadline; // the caller's spin still keeps the deadline
    const sigset_t stops = StopSignals::asSet();
    sigset_t before, during;
    sigprocmask(SIG_BLOCK, &stops, &before);
    during = before;
    for (const int signal : StopSignals::kSignals)
        sigdelset(&during, signal);
    pollfd watched[2] = {{m_timer, POLLIN, 0}, {readerFd, 0, 0}};
    Woken woken = Woken::AtDeadline;
    while (!StopSignals::received()) {
        if (ppoll(watched, 2, nullptr, &during) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (watched[1].revents & (POLLERR | POLLHUP)) {
            woken = Woken::ReaderGone;
            break;
        }
        if (watched[1].revents & POLLNVAL)
            watched[1].fd = -1;
        if (watched[0].revents & POLLIN)
            break;
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return StopSignals::received() ? Woken::Stopped : woken;
}

WaitClock &MachineClock()
{
    static MonotonicClock clock;
    return clock;
}
