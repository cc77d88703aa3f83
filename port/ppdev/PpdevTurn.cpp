#include "PpdevTurn.h"

#include "ThreadWakeTimer.h"

#include <cerrno>
#include <linux/ppdev.h>
#include <sys/file.h>
#include <sys/ioctl.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A free port is claimed in microseconds; a claim still asleep after this lost a race with
// another program. Short, as ppdev's mutex is held for the whole sleep.
constexpr auto kClaimSlice = 10ms;

int lockBefore(PpdevSystem &system, int fd, ThreadWakeTimer &timer, const TurnRequest &request)
{
    int error = system.lock(fd, LOCK_EX | LOCK_NB);
    if (error != EWOULDBLOCK || request.peek)
        return error;
    const auto left = request.deadline - Clock::now();
    if (left <= 0ns)
        return EWOULDBLOCK;
    if (const int armError = timer.arm(left, 10ms))
        return armError;
    do
        error = system.lock(fd, LOCK_EX);
    while (error == EINTR && Clock::now() < request.deadline);
    timer.disarm();
    return error == EINTR ? EWOULDBLOCK : error;
}

} // namespace

TurnOutcome TakeTurn(PpdevSystem &system, int fd, const TurnRequest &request)
{
    ThreadWakeTimer *timer = ThreadWakeTimer::forThisThread();
    if (!timer)
        return {Turn::NoTimer, errno};
    if (const int error = lockBefore(system, fd, *timer, request))
        return error == EWOULDBLOCK ? TurnOutcome{Turn::CopyBusy}
                                    : TurnOutcome{Turn::Failed, error};

    auto giveBack = [&](TurnOutcome outcome) {
        system.lock(fd, LOCK_UN);
        return outcome;
    };
    // Armed before the holder is read, so the claim's bound is in place however long that
    // read takes.
    if (const int error = timer->arm(kClaimSlice, kClaimSlice))
        return giveBack({Turn::NoTimer, error});
    std::string holder;
    int error = system.readHolder(holder);
    if (error == EINTR)
        error = system.readHolder(holder);
    if (error != 0) {
        timer->disarm();
        return giveBack({Turn::Unseen, error});
    }
    if (holder != "none" || !request.claimIfFree) {
        timer->disarm();
        return giveBack({holder != "none" ? Turn::OtherProgram : Turn::Free, 0, holder});
    }
    error = system.control(fd, PPCLAIM, nullptr);
    const int disarmError = timer->disarm();
    if (error == EINTR)
        return {Turn::CutShort}; // the lock goes with the descriptor
    if (error != 0)
        return giveBack({Turn::Failed, error});
    if (disarmError != 0) { // a timer left running would cut the next sleep short
        EndTurn(system, fd);
        return {Turn::NoTimer, disarmError};
    }
    return {Turn::Had};
}

void EndTurn(PpdevSystem &system, int fd)
{
    system.control(fd, PPRELEASE, nullptr);
    system.lock(fd, LOCK_UN);
}
