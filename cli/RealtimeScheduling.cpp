#include "RealtimeScheduling.h"

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mman.h>

std::string EnterRealtime()
{
    std::string refused;
    // Only what is mapped now: with MCL_FUTURE, once privilege is gone, a later allocation
    // past RLIMIT_MEMLOCK would fail.
    if (mlockall(MCL_CURRENT) != 0)
        refused = std::string("locking memory: ") + std::strerror(errno);
    // The lowest real-time priority is enough to come before every ordinary program.
    const sched_param priority{sched_get_priority_min(SCHED_FIFO)};
    if (sched_setscheduler(0, SCHED_FIFO, &priority) != 0)
        refused +=
            (refused.empty() ? "" : "; ") + std::string("SCHED_FIFO: ") + std::strerror(errno);
    return refused;
}
