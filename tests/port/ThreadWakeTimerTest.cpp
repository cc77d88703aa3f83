#include "ThreadWakeTimer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// poll is never restarted after a handler, so each wake ends one; a timer that fired only
// once would leave the second poll to run its full ten seconds.
int pollsCutShort()
{
    int cut = 0;
    for (int i = 0; i < 3; ++i)
        cut += poll(nullptr, 0, 10000) == -1 && errno == EINTR;
    return cut;
}

// While armed, the wakes repeat and reach only the arming thread; once disarmed, the timer
// stops by itself at its next wake, and nothing is left to cut a later sleep short.
TEST(ThreadWakeTimer, WakesOnlyItsThreadWhileArmedAndThenStopsByItself)
{
    int otherCut = -1;
    std::thread other([&] {
        otherCut = ThreadWakeTimer::arm(2ms) == 0 ? pollsCutShort() : -1;
        ThreadWakeTimer::disarm();
    });
    ASSERT_EQ(ThreadWakeTimer::arm(2ms), 0);
    EXPECT_EQ(pollsCutShort(), 3);
    ThreadWakeTimer::disarm();
    other.join();
    EXPECT_EQ(otherCut, 3);
    poll(nullptr, 0, 20); // the wake that stops it may end this one
    EXPECT_EQ(poll(nullptr, 0, 30), 0) << "stopped: the sleep runs its course";
    ASSERT_EQ(ThreadWakeTimer::arm(2ms), 0) << "and it starts again";
    EXPECT_EQ(pollsCutShort(), 3);
    ThreadWakeTimer::disarm();
}

// The wakes are for the claim alone: any other call of the thread that the kernel restarts,
// such as a read of a pipe another thread fills later, carries on through them.
TEST(ThreadWakeTimer, CallsThatRestartCarryOnThroughTheWakes)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::thread writer([&] {
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(write(fds[1], "x", 1), 1);
    });
    ASSERT_EQ(ThreadWakeTimer::arm(2ms), 0);
    char byte = 0;
    const ssize_t got = read(fds[0], &byte, 1);
    const int error = errno;
    ThreadWakeTimer::disarm();
    writer.join();
    EXPECT_EQ(got, 1) << "the read ended with " << (got < 0 ? std::strerror(error) : "no error");
    close(fds[0]);
    close(fds[1]);
}

} // namespace
