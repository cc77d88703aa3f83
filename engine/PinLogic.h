#pragma once

#include "PortRegister.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

struct ConnectorPin;

struct PinLevel {
    const ConnectorPin *pin;
    unsigned level;
};

// The levels a user reads and writes: electrical (1 is a high pin, whatever the port's
// hardware inverts), except on the pins given to --active-low, where 1 is a low pin. Text,
// JSON, traces, get, set and watch's edges all speak this logic.
class PinLogic {
public:
    explicit PinLogic(std::vector<const ConnectorPin *> activeLow = {})
        : m_activeLow(std::move(activeLow))
    {
    }

    // The pin's level in value, its register's byte.
    unsigned level(const ConnectorPin &pin, std::uint8_t value) const;
    // value with the pin at level.
    std::uint8_t withLevel(const ConnectorPin &pin, std::uint8_t value, unsigned level) const;
    std::vector<PinLevel> levels(std::span<const ConnectorPin *const> pins,
                                 std::uint8_t value) const;

private:
    std::vector<const ConnectorPin *> m_activeLow;
};

// The pins of a register, in bit order.
std::span<const ConnectorPin *const> PinsOf(PortRegister reg);
