#include "BoundedIoctl.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int kWakeSignal = SIGALRM;

void ignoreWake(int) {}

class ThreadAlarm {
public:
    explicit ThreadAlarm(std::chrono::milliseconds timeout)
    {
        struct sigaction wake {};
        wake.sa_handler = ignoreWake;
        sigemptyset(&wake.sa_mask);
        wake.sa_flags = 0; // no SA_RESTART: the sleeping ioctl must return EINTR
        sigaction(kWakeSignal, &wake, &m_oldAction);

        sigset_t unblock;
        sigemptyset(&unblock);
        sigaddset(&unblock, kWakeSignal);
        pthread_sigmask(SIG_UNBLOCK, &unblock, &m_oldMask);

        sigevent event{};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = kWakeSignal;
        event._sigev_un._tid = gettid();
        m_armed = timer_create(CLOCK_MONOTONIC, &event, &m_timer) == 0;
        if (m_armed) {
            itimerspec when{};
            when.it_value.tv_sec = timeout.count() / 1000;
            when.it_value.tv_nsec = (timeout.count() % 1000) * 1000000L;
            // Repeat, in case the first signal lands just before the ioctl starts to sleep.
            when.it_interval.tv_nsec = 50 * 1000000L;
            timer_settime(m_timer, 0, &when, nullptr);
        }
    }

    ~ThreadAlarm()
    {
        if (m_armed)
            timer_delete(m_timer);
        pthread_sigmask(SIG_SETMASK, &m_oldMask, nullptr);
        sigaction(kWakeSignal, &m_oldAction, nullptr);
    }

    ThreadAlarm(const ThreadAlarm &) = delete;
    ThreadAlarm &operator=(const ThreadAlarm &) = delete;

    bool armed() const { return m_armed; }

private:
    struct sigaction m_oldAction {};
    sigset_t m_oldMask{};
    timer_t m_timer{};
    bool m_armed = false;
};

} // namespace

int BoundedIoctl(int fd, unsigned long request, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    ThreadAlarm alarm(timeout);
    if (!alarm.armed()) {
        errno = EAGAIN;
        return -1; // never wait without a bound
    }
    for (;;) {
        const int result = ioctl(fd, request);
        if (result == 0 || errno != EINTR)
            return result;
        if (std::chrono::steady_clock::now() >= deadline) {
            errno = ETIMEDOUT;
            return -1;
        }
    }
}
