#include "PpdevClaim.h"

#include "KernelParport.h"
#include "PpdevNode.h"
#include "ThreadWakeTimer.h"

#include <algorithm>
#include <cerrno>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Long enough for a free port to be claimed, short enough to keep polling if one races us.
constexpr auto kClaimSlice = 100ms;
// Another copy holds the port for one access, microseconds: look again soon, then less often.
constexpr Clock::duration kFirstPoll = 200us;
constexpr Clock::duration kLongestPoll = 20ms;

} // namespace

ClaimOutcome ClaimPpdevPort(PpdevClaimTarget target, Clock::time_point deadline)
{
    Clock::duration poll = kFirstPoll;
    for (;;) {
        const auto holder = ParportHolder(target.portNumber);
        const auto left = deadline - Clock::now();
        if (left <= 0ns)
            return {ClaimResult::Held};
        if (holder && *holder != "none") {
            std::this_thread::sleep_for(std::min(poll, left));
            poll = std::min(poll * 2, kLongestPoll);
            continue;
        }
        {
            ThreadWakeTimer timer(std::min<Clock::duration>(kClaimSlice, left));
            if (!timer.armed())
                return {ClaimResult::NoTimer, timer.armingError()};
            if (ioctl(target.fd, PPCLAIM) == 0)
                return {ClaimResult::Claimed};
            if (errno != EINTR)
                return {ClaimResult::Failed, errno};
        }
        // Cut short, by our timer or any other signal: this descriptor must never claim again.
        close(target.fd);
        const PpdevNode fresh = OpenPpdevNode(target.path);
        target.fd = fresh.fd;
        if (fresh.fd < 0)
            return {ClaimResult::Failed, ENODEV};
    }
}
