#include "DirectPort.h"

#include "KernelParport.h"
#include "PortDiscovery.h"
#include "PortDoctor.h"

#include <utility>

namespace {

constexpr std::uint8_t kDirectionBit = 0x20; // control bit 5: the data lines read
#if defined(__x86_64__) || defined(__i386__)
constexpr bool kHasPortIo = true;
#else
constexpr bool kHasPortIo = false; // no in/out instructions: nothing reaches a port
#endif
} // namespace

std::string DirectPort::describe() const
{
    return "direct I/O at 0x" + HexAddress(m_base);
}

DirectPort::~DirectPort()
{
    if (m_dataIn && !m_keepDirection)
        out(PortRegister::Control,
            static_cast<std::uint8_t>(in(PortRegister::Control) & ~kDirectionBit));
}

bool DirectPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    value = in(reg);
    return kHasPortIo;
}

// With the data lines in, a control write keeps them in, whatever else it writes.
bool DirectPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    if (reg == PortRegister::Control && m_dataIn)
        value |= kDirectionBit;
    out(reg, value);
    return kHasPortIo;
}

DirectionAbility DirectPort::dataDirectionAbility()
{
    if (!m_ability) {
        const MachinePorts machine = DiscoverPorts();
        m_ability = DirectionAbility{DirectionAbility::Untested};
        for (const ParallelPort &port : machine.ports)
            if (port.base == m_base)
                m_ability = ModesAllowDataInputs(port.modes)
                                ? DirectionAbility{DirectionAbility::Able}
                                : DirectionAbility{DirectionAbility::Unable,
                                                   DiagnoseOutputOnlyPort(), true};
    }
    return *m_ability;
}

// As the kernel's driver tries a port: with bit 5 set, a port whose data register still reads
// back what was written is not bidirectional. On such a port the two patterns reach the pins
// for a few microseconds.
bool DirectPort::dataLinesRead()
{
    const std::uint8_t control = in(PortRegister::Control);
    const std::uint8_t data = in(PortRegister::Data);
    out(PortRegister::Control, control | kDirectionBit);
    bool reads = false;
    for (std::uint8_t pattern : {std::uint8_t(0x55), std::uint8_t(0xAA)}) {
        out(PortRegister::Data, pattern);
        reads = reads || in(PortRegister::Data) != pattern;
    }
    out(PortRegister::Data, data);
    out(PortRegister::Control, control);
    return reads;
}

bool DirectPort::setDataDirection(DataDirection direction)
{
    const bool inputs = direction == DataDirection::In;
    if (inputs && dataDirectionAbility().answer == DirectionAbility::Untested)
        m_ability = dataLinesRead() ? DirectionAbility{DirectionAbility::Able}
                                    : DirectionAbility{DirectionAbility::Unable,
                                                       DiagnoseOutputOnlyPort(), true};
    if (inputs && m_ability->answer == DirectionAbility::Unable) {
        m_notice = PortNotice{PortNotice::Kind::Failed, describe() + ": " + m_ability->why,
                              m_ability->why};
        return false;
    }
    const std::uint8_t control = in(PortRegister::Control);
    out(PortRegister::Control,
        inputs ? control | kDirectionBit : control & static_cast<std::uint8_t>(~kDirectionBit));
    m_dataIn = inputs;
    return true;
}

std::optional<PortNotice> DirectPort::takeNotice()
{
    return std::exchange(m_notice, std::nullopt);
}

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>

std::uint8_t DirectPort::in(PortRegister reg) const
{
    return inb(address(reg));
}

void DirectPort::out(PortRegister reg, std::uint8_t value) const
{
    outb(value, address(reg));
}
#else
std::uint8_t DirectPort::in(PortRegister) const
{
    return 0xFF;
}

void DirectPort::out(PortRegister, std::uint8_t) const
{
}
#endif
