#include "ThreadWakeTimer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// Arms the timer around a sleep that it must cut short, then checks that nothing of it is
// left: the default action back, the mask as before, no signal still pending.
TEST(ThreadWakeTimer, WakesASleepingCallAndLeavesNothingBehind)
{
    const int wake = ThreadWakeTimer::wakeSignal();
    EXPECT_NE(wake, SIGALRM);
    EXPECT_GE(wake, SIGRTMIN);
    sigset_t wakeOnly, maskBefore;
    sigemptyset(&wakeOnly);
    sigaddset(&wakeOnly, wake);
    pthread_sigmask(SIG_BLOCK, &wakeOnly, &maskBefore); // as a library may have it
    {
        ThreadWakeTimer timer(5ms);
        ASSERT_TRUE(timer.armed());
        EXPECT_EQ(pause(), -1) << "the timer's signal ends the sleep";
        EXPECT_EQ(errno, EINTR);
        pthread_sigmask(SIG_BLOCK, &wakeOnly, nullptr);
        usleep(30000); // the timer repeats: one more is pending when it is undone
    }
    struct sigaction after {};
    sigaction(wake, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL);
    sigset_t maskAfter, pending;
    pthread_sigmask(SIG_SETMASK, nullptr, &maskAfter);
    EXPECT_TRUE(sigismember(&maskAfter, wake));
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, wake));
    pthread_sigmask(SIG_SETMASK, &maskBefore, nullptr); // a signal left over would kill us now
}

} // namespace
