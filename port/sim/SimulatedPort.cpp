#include "SimulatedPort.h"

#include "PortInversion.h"

namespace {
// Reserved status bits 0-2 and control bits 6-7 are undriven on common chips and read high.
constexpr std::uint8_t kStatusUnusedBits = 0x07;
constexpr std::uint8_t kControlUnusedBits = 0xC0;
constexpr std::uint8_t kDirectionBit = 0x20;
} // namespace

std::uint8_t SimulatedPort::controlPinLevels() const
{
    const std::uint8_t driven = (m_control ^ kControlInvertedMask) & 0x0F;
    return driven & static_cast<std::uint8_t>(~m_controlPulledLow);
}

std::uint8_t SimulatedPort::dataPinLevels() const
{
    const bool in = m_control & kDirectionBit;
    std::uint8_t levels = in ? static_cast<std::uint8_t>(~m_dataPulledLow) : m_data;
    for (unsigned wire = 0; wire < m_wiring.size(); ++wire) {
        if (m_wiring[wire].kind == StatusWire::StuckHigh)
            levels |= static_cast<std::uint8_t>(1u << wire);
        else if (m_wiring[wire].kind == StatusWire::StuckLow)
            levels &= static_cast<std::uint8_t>(~(1u << wire));
    }
    return levels;
}

std::uint8_t SimulatedPort::statusPinLevels() const
{
    std::uint8_t levels = 0; // bit n = S(n+3)
    for (unsigned input = 0; input < m_wiring.size(); ++input) {
        const StatusWire &wire = m_wiring[input];
        const bool high = wire.kind == StatusWire::FromData
                              ? (dataPinLevels() >> wire.dataLine) & 1u
                              : wire.kind != StatusWire::StuckLow;
        levels |= static_cast<std::uint8_t>((high ? 1u : 0u) << input);
    }
    return levels;
}

bool SimulatedPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    switch (reg) {
    case PortRegister::Data:
        value = dataPinLevels();
        break;
    case PortRegister::Status:
        value = static_cast<std::uint8_t>(((statusPinLevels() << 3) ^ kStatusInvertedMask) |
                                          kStatusUnusedBits);
        break;
    case PortRegister::Control:
        value = static_cast<std::uint8_t>((m_control & 0x30) | kControlUnusedBits |
                                          (controlPinLevels() ^ kControlInvertedMask));
        break;
    }
    return true;
}

bool SimulatedPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    switch (reg) {
    case PortRegister::Data:
        m_data = value;
        break;
    case PortRegister::Status:
        break;                  // input lines: a write has no effect
    case PortRegister::Control: // with the data lines in, a control write keeps them in
        m_control = static_cast<std::uint8_t>(value | (m_control & kDirectionBit));
        break;
    }
    return true;
}

bool SimulatedPort::setDataDirection(DataDirection direction)
{
    m_control = static_cast<std::uint8_t>(
        direction == DataDirection::In ? m_control | kDirectionBit : m_control & ~kDirectionBit);
    return true;
}
