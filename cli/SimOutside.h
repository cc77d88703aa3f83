#pragma once

#include "CtlCommand.h"

#include <memory>
#include <ostream>
#include <string>

class SimulatedPort;
struct ParsedPortChoice;

// Why sim commands cannot run on the chosen port (it is not sim:NAME), or empty.
std::string SimOnOtherPort(const std::vector<CtlCommand> &commands, const ParsedPortChoice &port);

// The outside of the shared simulated port sim:NAME, as a test bench would be: it holds
// inputs, fits or takes off the plug, and shows every pin. It opens the port's file on its
// own, beside any opening of the port, and never turns the data lines.
class SimOutside {
public:
    explicit SimOutside(std::string name);
    ~SimOutside();

    // 0, or 1 with the reason on err.
    int run(const SimRequest &request, std::ostream &out, std::ostream &err);

private:
    bool open(std::ostream &err);
    void show(std::ostream &out) const;

    std::string m_name;
    std::unique_ptr<SimulatedPort> m_port;
};
