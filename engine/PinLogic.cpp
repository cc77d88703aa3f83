#include "PinLogic.h"

#include "PinTable.h"
#include "RegisterEncoding.h"

#include <algorithm>

unsigned PinLogic::level(const ConnectorPin &pin, std::uint8_t value) const
{
    const bool activeLow =
        std::find(m_activeLow.begin(), m_activeLow.end(), &pin) != m_activeLow.end();
    return PinLevelIn(pin, value) ^ (activeLow ? 1u : 0u);
}

std::uint8_t PinLogic::withLevel(const ConnectorPin &pin, std::uint8_t value, unsigned level) const
{
    const unsigned mask = 1u << pin.bit;
    return static_cast<std::uint8_t>(this->level(pin, value) == level ? value : value ^ mask);
}

std::vector<PinLevel> PinLogic::levels(std::span<const ConnectorPin *const> pins,
                                       std::uint8_t value) const
{
    std::vector<PinLevel> levels;
    for (const ConnectorPin *pin : pins)
        levels.push_back({pin, level(*pin, value)});
    return levels;
}

std::span<const ConnectorPin *const> PinsOf(PortRegister reg)
{
    switch (reg) {
    case PortRegister::Data:
        return kDataPins;
    case PortRegister::Status:
        return kStatusPins;
    case PortRegister::Control:
        break;
    }
    return kControlPins;
}
