#include "SimulatedPort.h"

#include "PortInversion.h"
#include "SharedSimFile.h"

#include <cstring>

namespace {
// Reserved status bits 0-2 and control bits 6-7 are undriven on common chips and read high.
constexpr std::uint8_t kStatusUnusedBits = 0x07;
constexpr std::uint8_t kControlUnusedBits = 0xC0;
constexpr std::uint8_t kDirectionBit = 0x20;

// Where the outside holds a line its level, elsewhere high (pull-ups, or a floating input).
std::uint8_t heldOrHigh(std::uint8_t held, std::uint8_t levels)
{
    return static_cast<std::uint8_t>(~held | (held & levels));
}
} // namespace

SimState FreshSimState()
{
    SimState state{};
    std::memcpy(state.magic, kSimStateMagic, sizeof state.magic);
    state.version = kSimStateVersion;
    state.control = 0x04; // what a PC's BIOS leaves: all control pins released high
    return state;
}

SimulatedPort::SimulatedPort() = default;

SimulatedPort::SimulatedPort(std::unique_ptr<SharedSimFile> shared)
    : m_shared(std::move(shared)), m_state(&m_shared->state())
{
}

// A shared port's lines go out again at the close, as a real port's would.
SimulatedPort::~SimulatedPort()
{
    if (m_shared && !m_keepDirection)
        setDataDirection(DataDirection::Out);
}

std::string SimulatedPort::describe() const
{
    return m_shared ? "shared simulated port " + m_shared->name()
                    : "simulated port with loopback plug";
}

std::uint8_t SimulatedPort::controlPinLevels() const
{
    const std::uint8_t driven = (LoadSimByte(m_state->control) ^ kControlInvertedMask) & 0x0F;
    return driven & static_cast<std::uint8_t>(~m_controlPulledLow);
}

std::uint8_t SimulatedPort::dataPinLevels() const
{
    const bool in = LoadSimByte(m_state->control) & kDirectionBit;
    std::uint8_t levels =
        in ? heldOrHigh(LoadSimByte(m_state->dataDriven), LoadSimByte(m_state->dataLevels))
           : LoadSimByte(m_state->data);
    if (LoadSimByte(m_state->plug) != SimState::Loopback)
        return levels;
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
    const std::uint8_t held = LoadSimByte(m_state->statusDriven) & 0x1F;
    const std::uint8_t heldLevels = LoadSimByte(m_state->statusLevels);
    if (LoadSimByte(m_state->plug) != SimState::Loopback)
        return heldOrHigh(held, heldLevels) & 0x1F;
    std::uint8_t levels = 0; // bit n = S(n+3)
    for (unsigned input = 0; input < m_wiring.size(); ++input) {
        const StatusWire &wire = m_wiring[input];
        const bool high = (held >> input) & 1u ? (heldLevels >> input) & 1u
                          : wire.kind == StatusWire::FromData
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
        value =
            static_cast<std::uint8_t>((LoadSimByte(m_state->control) & 0x30) | kControlUnusedBits |
                                      (controlPinLevels() ^ kControlInvertedMask));
        break;
    }
    return true;
}

bool SimulatedPort::writeRegister(PortRegister reg, std::uint8_t value)
{
    switch (reg) {
    case PortRegister::Data:
        StoreSimByte(m_state->data, value);
        break;
    case PortRegister::Status:
        break;                  // input lines: a write has no effect
    case PortRegister::Control: // with the data lines in, a control write keeps them in
        UpdateSimBits(m_state->control, static_cast<std::uint8_t>(~kDirectionBit), value);
        UpdateSimBits(m_state->control, value & kDirectionBit, value);
        break;
    }
    return true;
}

bool SimulatedPort::setDataDirection(DataDirection direction)
{
    UpdateSimBits(m_state->control, kDirectionBit,
                  direction == DataDirection::In ? kDirectionBit : 0);
    return true;
}

DataDirection SimulatedPort::dataDirectionAtOpening() const
{
    return LoadSimByte(m_state->control) & kDirectionBit ? DataDirection::In : DataDirection::Out;
}

void SimulatedPort::setDataPinsPulledLow(std::uint8_t mask)
{
    StoreSimByte(m_state->dataLevels, 0);
    StoreSimByte(m_state->dataDriven, mask);
}

void SimulatedPort::setPlug(SimState::Plug plug)
{
    StoreSimByte(m_state->plug, plug);
}

// Levels first, so that a watcher never sees a line taken at the level it had before.
void SimulatedPort::drive(std::uint8_t statusMask, std::uint8_t statusLevels, std::uint8_t dataMask,
                          std::uint8_t dataLevels)
{
    UpdateSimBits(m_state->statusLevels, statusMask, statusLevels);
    UpdateSimBits(m_state->statusDriven, statusMask, statusMask);
    UpdateSimBits(m_state->dataLevels, dataMask, dataLevels);
    UpdateSimBits(m_state->dataDriven, dataMask, dataMask);
}

void SimulatedPort::release(std::uint8_t statusMask, std::uint8_t dataMask)
{
    UpdateSimBits(m_state->statusDriven, statusMask, 0);
    UpdateSimBits(m_state->dataDriven, dataMask, 0);
}
