#include "PpdevTurn.h"

#include <cerrno>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

namespace {

using namespace std::chrono_literals;

// A free port is claimed in microseconds; a claim still asleep after this lost a race with
// another program. Short, as ppdev's mutex is held for the whole sleep.
constexpr auto kClaimSlice = 10ms;

} // namespace

TurnOutcome ClaimIfFree(PpdevSystem &system, int fd, bool claimIfFree)
{
    // The wakes repeat, so one that lands before the claim sleeps still leaves the next.
    if (const int error = system.armClaimBound(kClaimSlice))
        return {Turn::NoTimer, error};
    std::string holder;
    int error = system.readHolder(holder);
    if (error == EINTR) // a wake landed in the read
        error = system.readHolder(holder);
    if (error != 0 || holder != "none" || !claimIfFree) {
        system.disarmClaimBound();
        if (error != 0)
            return {Turn::Unseen, error};
        return {holder != "none" ? Turn::OtherProgram : Turn::Free, 0, holder};
    }
    error = system.control(fd, PPCLAIM, nullptr);
    system.disarmClaimBound();
    if (error == EINTR)
        return {Turn::CutShort};
    if (error != 0)
        return {Turn::Failed, error};
    return {Turn::Had};
}
