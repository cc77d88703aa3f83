#include "SimulatedPort.h"

#include "PortInversion.h"

namespace {
// Reserved status bits 0-2 and control bits 6-7 are undriven on common chips and read high.
constexpr std::uint8_t kStatusUnusedBits = 0x07;
constexpr std::uint8_t kControlUnusedBits = 0xC0;
} // namespace

std::uint8_t SimulatedPort::controlPinLevels() const
{
    const std::uint8_t driven = (m_control ^ kControlInvertedMask) & 0x0F;
    return driven & static_cast<std::uint8_t>(~m_controlPulledLow);
}

std::uint8_t SimulatedPort::statusPinLevels() const
{
    return m_data & 0x1F; // loopback: D0..D4 appear on S3..S7
}

bool SimulatedPort::readRegister(PortRegister reg, std::uint8_t &value)
{
    switch (reg) {
    case PortRegister::Data:
        value = m_data;
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
        break; // input lines: a write has no effect
    case PortRegister::Control:
        m_control = value;
        break;
    }
    return true;
}
