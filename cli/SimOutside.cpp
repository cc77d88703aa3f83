#include "SimOutside.h"

#include "PinTable.h"
#include "PortChoice.h"
#include "SharedSimFile.h"
#include "SimulatedPort.h"

#include <algorithm>
#include <iomanip>

namespace {

// Bit of the pin in the state's masks: status bit n is S(n+3), data bit n is Dn.
std::uint8_t maskOf(const ConnectorPin &pin)
{
    return static_cast<std::uint8_t>(1u << (pin.group == PinGroup::Status ? pin.bit - 3 : pin.bit));
}

} // namespace

std::string SimOnOtherPort(const std::vector<CtlCommand> &commands, const ParsedPortChoice &port)
{
    if (std::none_of(commands.begin(), commands.end(),
                     [](const CtlCommand &c) { return c.kind == CtlCommand::Sim; }) ||
        (port.choice && !port.choice->simName.empty()))
        return {};
    return "sim: the port's outside can be driven only on a shared simulated port; choose one "
           "with -p sim:NAME (" +
           port.source + " is " +
           (port.choice && port.choice->method == PortMethod::Simulated
                ? std::string("the private sim")
                : std::string("not a simulated port")) +
           ")";
}

SimOutside::SimOutside(std::string name) : m_name(std::move(name))
{
}

SimOutside::~SimOutside() = default;

bool SimOutside::open(std::ostream &err)
{
    if (m_port)
        return true;
    std::string why;
    auto shared = SharedSimFile::open(m_name, why);
    if (!shared) {
        err << "zelvanectl: sim:" << m_name << ": " << why << "\n";
        return false;
    }
    m_port = std::make_unique<SimulatedPort>(std::move(shared));
    m_port->keepDataDirectionAtClose(); // the outside leaves the direction to the port's user
    return true;
}

int SimOutside::run(const SimRequest &request, std::ostream &out, std::ostream &err)
{
    if (request.action == SimRequest::Reset) {
        m_port.reset(); // a file that was removed is made anew at the next opening
        std::string why;
        if (SharedSimFile::reset(m_name, why))
            return 0;
        err << "zelvanectl: sim reset: " << why << "\n";
        return 1;
    }
    if (!open(err))
        return 1;
    std::uint8_t status = 0, statusLevels = 0, data = 0, dataLevels = 0;
    for (const PinSetting &setting : request.levels) {
        const std::uint8_t bit = maskOf(*setting.pin);
        (setting.pin->group == PinGroup::Status ? status : data) |= bit;
        (setting.pin->group == PinGroup::Status ? statusLevels : dataLevels) |=
            setting.level ? bit : 0;
    }
    switch (request.action) {
    case SimRequest::Plug:
        m_port->setPlug(request.loopback ? SimState::Loopback : SimState::NoPlug);
        break;
    case SimRequest::Drive:
        m_port->drive(status, statusLevels, data, dataLevels);
        break;
    case SimRequest::Release:
        m_port->release(request.all ? 0xFF : status, request.all ? 0xFF : data);
        break;
    default:
        show(out);
    }
    return 0;
}

// One line a pin, in connector order: its level now and what puts it there.
void SimOutside::show(std::ostream &out) const
{
    const SimState &state = m_port->state();
    const bool loopback = LoadSimByte(state.plug) == SimState::Loopback;
    const bool dataIn = m_port->dataDirectionAtOpening() == DataDirection::In;
    out << "sim:" << m_name << ": plug " << (loopback ? "loopback" : "none") << ", data lines "
        << (dataIn ? "in" : "out") << "\n";
    for (const ConnectorPin &pin : kConnectorPins) {
        if (pin.group == PinGroup::Ground)
            continue;
        const std::uint8_t bit = maskOf(pin);
        std::string from = "the port";
        std::uint8_t levels = 0;
        if (pin.group == PinGroup::Control) {
            levels = m_port->controlPinLevels();
        } else if (pin.group == PinGroup::Data) {
            levels = m_port->dataPinLevels();
            if (dataIn)
                from = LoadSimByte(state.dataDriven) & bit ? "sim drive"
                       : loopback && bit < 0x20            ? "nothing (pulled up through the plug)"
                                                           : "nothing (floats high)";
        } else {
            levels = m_port->statusPinLevels();
            from = LoadSimByte(state.statusDriven) & bit ? "sim drive"
                   : loopback ? "the plug, from D" + std::to_string(pin.bit - 3)
                              : "nothing (floats high)";
        }
        out << std::left << std::setw(3) << pin.label << " pin " << std::setw(2)
            << unsigned(pin.number) << "  " << ((levels & bit) ? 1 : 0) << "  " << from << "\n";
    }
}
