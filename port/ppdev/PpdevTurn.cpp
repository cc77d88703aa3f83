#include "PpdevTurn.h"

#include <cerrno>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

namespace {

using namespace std::chrono_literals;

// A free port is claimed in microseconds; a claim still asleep after this lost a race with
// another program. Short, as ppdev's mutex is held for the whole sleep.
constexpr auto kClaimSlice = 10ms;
// How often a copy waiting for the lock looks again.
constexpr auto kLockPoll = 1ms;

} // namespace

int TakeLock(PpdevSystem &system, PpdevSystem::Clock::time_point deadline, bool peek)
{
    while (true) {
        const int error = system.tryLock();
        if (error != EWOULDBLOCK || peek)
            return error;
        const auto left = deadline - system.now();
        if (left <= 0ns)
            return EWOULDBLOCK;
        system.sleepFor(std::min<std::chrono::nanoseconds>(left, kLockPoll));
    }
}

TurnOutcome TakeTurn(PpdevSystem &system, int fd, const TurnRequest &request)
{
    if (!request.locked) {
        if (const int error = TakeLock(system, request.deadline, request.peek))
            return {error == EWOULDBLOCK ? Turn::CopyBusy : Turn::LockFailed, error};
    }
    auto giveBack = [&](TurnOutcome outcome) {
        if (!request.locked)
            system.unlock();
        return outcome;
    };
    // The wakes repeat, so one that lands before the claim sleeps still leaves the next.
    if (const int error = system.armClaimBound(kClaimSlice))
        return giveBack({Turn::NoTimer, error});
    std::string holder;
    int error = system.readHolder(holder);
    if (error == EINTR) // a wake landed in the read
        error = system.readHolder(holder);
    if (error != 0 || holder != "none" || !request.claimIfFree) {
        system.disarmClaimBound();
        if (error != 0)
            return giveBack({Turn::Unseen, error});
        return giveBack({holder != "none" ? Turn::OtherProgram : Turn::Free, 0, holder});
    }
    error = system.control(fd, PPCLAIM, nullptr);
    system.disarmClaimBound();
    if (error == EINTR)
        return {Turn::CutShort};
    if (error != 0)
        return giveBack({Turn::Failed, error});
    return {Turn::Had};
}

void EndTurn(PpdevSystem &system, int fd, bool keepLock)
{
    system.control(fd, PPRELEASE, nullptr);
    if (!keepLock)
        system.unlock();
}
