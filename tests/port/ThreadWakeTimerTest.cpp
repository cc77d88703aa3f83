#include "ThreadWakeTimer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

// poll is never restarted after a handler, so each wake ends one; a timer that fired only
// once would leave the second poll to run its full ten seconds.
int pollsCutShort(ThreadWakeTimer &timer)
{
    if (timer.arm(2ms, 2ms) != 0)
        return -1;
    int cut = 0;
    for (int i = 0; i < 3; ++i)
        cut += poll(nullptr, 0, 10000) == -1 && errno == EINTR;
    timer.disarm();
    return cut;
}

// Two threads with timers of their own: each wakes only its own thread, and once they are
// disarmed nothing is left to end a sleep or kill the process.
TEST(ThreadWakeTimer, RepeatsWakesOnlyItsThreadAndLeavesNothingArmed)
{
    ThreadWakeTimer *mine = ThreadWakeTimer::forThisThread();
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(ThreadWakeTimer::forThisThread(), mine) << "created once per thread";
    int otherCut = -1;
    std::thread other([&] {
        ThreadWakeTimer *theirs = ThreadWakeTimer::forThisThread();
        otherCut = theirs && theirs != mine ? pollsCutShort(*theirs) : -1;
    });
    EXPECT_EQ(pollsCutShort(*mine), 3);
    other.join();
    EXPECT_EQ(otherCut, 3);
    EXPECT_EQ(poll(nullptr, 0, 30), 0) << "disarmed: the sleep runs its course";
}

} // namespace
