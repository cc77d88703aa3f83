#pragma once

#include <csignal>

// SIGINT, SIGTERM, SIGHUP and SIGQUIT only note that the run should end, so that the access
// under way finishes, a pulse is put back, the trace is closed and the port is let go of;
// waits end at once (no SA_RESTART). Signals ignored at start (nohup) stay ignored; the
// earlier actions come back at the end. SIGPIPE is ignored meanwhile, so a reader that goes
// away is a write error to clean up after, not a sudden death with a pulse still out.
class StopSignals {
public:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // The signal that asked the run to end, or 0.
    static int received();
    static sigset_t asSet();
    // Whether SIGPIPE was ignored before: if not, a reader that went away ends the run
    // quietly with 128+SIGPIPE, as the signal would have.
    bool pipeSignalIgnoredAtStart() const { return m_previousPipe.sa_handler == SIG_IGN; }

private:
    static constexpr int kCount = sizeof kSignals / sizeof kSignals[0];
    struct sigaction m_previous[kCount] {};
    struct sigaction m_previousPipe {};
};
