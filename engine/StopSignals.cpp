#include "StopSignals.h"

namespace {

volatile std::sig_atomic_t g_received = 0;

void note(int signal)
{
    g_received = signal;
}

} // namespace

StopSignals::StopSignals()
{
    g_received = 0;
    for (int i = 0; i < kCount; ++i) {
        sigaction(kSignals[i], nullptr, &m_previous[i]);
        if (m_previous[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction noting {};
        noting.sa_handler = note;
        sigemptyset(&noting.sa_mask);
        sigaction(kSignals[i], &noting, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &m_previousPipe);
}

StopSignals::~StopSignals()
{
    for (int i = 0; i < kCount; ++i)
        sigaction(kSignals[i], &m_previous[i], nullptr);
    sigaction(SIGPIPE, &m_previousPipe, nullptr);
}

int StopSignals::received()
{
    return g_received;
}

sigset_t StopSignals::asSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals)
        sigaddset(&set, signal);
    return set;
}
