#pragma once

#include "CtlOptions.h"
#include "PortRegister.h"

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>

// Runs the commands in order within one opening of the port. A ppdev port is held from an
// access to the next pause (sleep, pulse's wait, watch's polls), so another program's
// accesses never come between those of one sequence; what this session last wrote is kept
// while it holds the port, so a run of set and pulse costs one register access each.
class CtlSession {
public:
    CtlSession(bool json, std::ostream &out, std::ostream &err)
        : m_json(json), m_out(out), m_err(err)
    {
    }
    ~CtlSession();

    int run(const std::vector<CtlCommand> &commands);

private:
    bool ensureOpen();
    bool hold();
    void pause(unsigned milliseconds);
    bool read(PortRegister reg, std::uint8_t &value);
    bool write(PortRegister reg, std::uint8_t value);
    bool current(PortRegister reg, std::uint8_t &value);
    int failed(const std::string &what);

    int ports();
    int readCommand(const CtlCommand &command);
    int set(const std::vector<PinSetting> &settings);
    int writeCommand(const CtlCommand &command);
    int pulse(const CtlCommand &command);
    int watch(const CtlCommand &command);
    int loopbackTest();

    void printRegister(PortRegister reg, std::uint8_t value);

    bool m_json;
    std::ostream &m_out;
    std::ostream &m_err;
    bool m_open = false;
    bool m_held = false;
    std::array<std::optional<std::uint8_t>, 3> m_known{}; // data, status, control
};
