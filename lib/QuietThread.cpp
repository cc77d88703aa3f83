#include "QuietThread.h"

#include <csignal>
#include <pthread.h>

namespace {

// The caller's mask, put back however the start ends.
class BlockedSignals {
public:
    BlockedSignals()
    {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &m_before);
    }
    ~BlockedSignals() { pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    BlockedSignals(const BlockedSignals &) = delete;
    BlockedSignals &operator=(const BlockedSignals &) = delete;

private:
    sigset_t m_before;
};

} // namespace

std::thread QuietThread(std::function<void()> body)
{
    const BlockedSignals blocked; // a new thread starts with its creator's mask
    return std::thread(std::move(body));
}
