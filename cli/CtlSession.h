#pragma once

#include "CtlCommand.h"
#include "CtlOutput.h"
#include "PortRegister.h"
#include "VcdTrace.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>

// Runs commands in order within one opening of the port, line after line. A ppdev port is
// held from an access to the next pause: sleep and watch's polls let go of it, and so does
// a pulse's wait of an access bound or more; shorter pulse waits keep it, so that another
// program's claim cannot stretch a pulse. What this session last wrote is known while it
// holds the port, so a run of set and pulse costs one register access each.
class CtlSession {
public:
    // readerFd: standard output, watched during a watch for a reader that has gone; -1 for
    // none.
    CtlSession(CtlOutput &output, std::ostream &err, int readerFd);
    ~CtlSession();

    // One command line's commands; 0, or the status the program ends with. A trace asked
    // for by a watch covers the whole line.
    int runLine(const std::vector<CtlCommand> &commands);

    // Standard output's reader went away during a watch.
    bool readerGone() const { return m_readerGone; }

private:
    enum class During { Pause, Pulse, Watch };

    bool ensureOpen();
    bool hold();
    void letGo();
    bool wait(Microseconds length, During during);
    bool read(PortRegister reg, std::uint8_t &value);
    bool write(PortRegister reg, std::uint8_t value);
    bool current(PortRegister reg, std::uint8_t &value);
    int failed(const std::string &what);
    bool startTrace(const std::vector<CtlCommand> &commands);
    void trace(const ConnectorPin &pin, unsigned level);

    int run(const CtlCommand &command);
    int ports();
    int readCommand(const CtlCommand &command);
    int get(const CtlCommand &command);
    int set(const std::vector<PinSetting> &settings);
    int writeCommand(const CtlCommand &command);
    int pulse(const PulseRequest &pulse);
    int watch(const WatchRequest &watch);
    int loopbackTest();

    CtlOutput &m_output;
    std::ostream &m_err;
    int m_readerFd;
    bool m_readerGone = false;
    bool m_open = false;
    bool m_held = false;
    std::array<std::optional<std::uint8_t>, 3> m_known{}; // data, status, control
    std::unique_ptr<VcdTrace> m_trace;
    std::vector<const ConnectorPin *> m_tracedInputs; // seen after each write, too
    std::chrono::steady_clock::time_point m_traceStart;
};
