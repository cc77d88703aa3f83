#pragma once

#include "CtlCommand.h"
#include "CtlOutput.h"
#include "MonotonicClock.h"
#include "PinLogic.h"
#include "PortGrip.h"
#include "PortRegister.h"
#include "VcdTrace.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>

// Runs commands in order within one opening of the port, line after line. A ppdev port is
// claimed for one command's accesses and let go of after it, and never kept across a wait:
// a pulse keeps only other copies of ours off the port between its edges (each edge claims on
// its own), and lets them in too in a wait of an access bound or more. So another program is
// never left asleep in the kernel's claim against us. What this session last wrote is known
// while it has the port, so a pulse train costs one register access an edge.
//
// A line's waits run to deadlines on its own timeline: each ends where the line began plus
// the lengths of the waits before it (a watch's polls on its interval's grid), never where
// the step before it happened to end, so lateness does not add up over a train. The timeline
// catches up with the clock only at the port's opening, which takes what it takes, and at a
// pulse's first edge, so that nothing before a pulse can shorten it.
class CtlSession {
public:
    // readerFd: standard output, watched during a watch for a reader that has gone; -1 for
    // none. clock: where the waits run. strictTiming: a line whose pulse edges came late
    // fails, rather than only saying so.
    CtlSession(CtlOutput &output, std::ostream &err, int readerFd,
               WaitClock &clock = MachineClock(), PinLogic logic = PinLogic(),
               bool strictTiming = false);

    // How late a pulse edge may come before the line says so.
    static constexpr WaitClock::Time kLateEdge = std::chrono::microseconds(100);
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
    bool reserve();
    void letGo();
    bool wait(WaitClock::Time length, During during);
    void catchUp();
    void judgeEdge();
    int tellLateEdges(int status);
    bool read(PortRegister reg, std::uint8_t &value);
    bool readLevels(const std::vector<const ConnectorPin *> &pins, std::vector<unsigned> &levels);
    bool write(PortRegister reg, std::uint8_t value);
    bool current(PortRegister reg, std::uint8_t &value);
    int failed(const std::string &what);
    bool startTrace(const std::vector<CtlCommand> &commands);
    void trace(const ConnectorPin &pin, unsigned level, WaitClock::Time when);

    int run(const CtlCommand &command);
    int ports();
    int readCommand(const CtlCommand &command);
    int get(const CtlCommand &command);
    int set(const std::vector<PinSetting> &settings);
    int writeCommand(const CtlCommand &command);
    int pulse(const PulseRequest &pulse);
    int watch(const WatchRequest &watch);
    void watchEvent(const WatchRequest &watch, const ConnectorPin &pin, unsigned level,
                    const EventTime &at);
    int loopbackTest();
    int dataDirection(const CtlCommand &command);
    bool dataIn() const;
    std::string directionMismatch(const CtlCommand &command) const;

    CtlOutput &m_output;
    std::ostream &m_err;
    int m_readerFd;
    WaitClock &m_clock;
    const PinLogic m_logic;
    const bool m_strictTiming;
    std::uint64_t m_lateEdges = 0; // this line's, and the latest of them
    WaitClock::Time m_latest{};
    bool m_readerGone = false;
    bool m_open = false;
    PortGrip m_grip;
    std::array<std::optional<std::uint8_t>, 3> m_known{}; // data, status, control
    std::unique_ptr<VcdTrace> m_trace;
    std::vector<const ConnectorPin *> m_tracedInputs; // seen after each write, too
    WaitClock::Time m_lineStart{};                    // the trace's #0
    WaitClock::Time m_due{};                          // where the line's timeline stands
};
