#pragma once

#include <cstdint>

// The connector's levels from its three register bytes: bit p = pin p (1 = high), the
// hardware's inverted bits compensated.
std::uint32_t ConnectorLevels(std::uint8_t data, std::uint8_t status, std::uint8_t control);
