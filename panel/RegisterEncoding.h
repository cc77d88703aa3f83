#pragma once

#include "PinTable.h"

#include <array>
#include <cstdint>

// Levels are electrical (1 = pin high); the hardware's inverted bits are compensated here.

constexpr std::uint8_t EncodeDataByte(const std::array<std::uint8_t, 8> &levels)
{
    std::uint8_t byte = 0;
    for (unsigned n = 0; n < 8; ++n)
        byte |= static_cast<std::uint8_t>((levels[n] & 1u) << n);
    return byte;
}

constexpr std::uint8_t EncodeControlByte(const std::array<std::uint8_t, 4> &levels)
{
    std::uint8_t byte = 0;
    for (unsigned n = 0; n < 4; ++n)
        byte |= static_cast<std::uint8_t>((levels[n] & 1u) << n);
    return byte ^ invertedMask(PortRegister::Control);
}

// The level of one pin (1 = high) in its register's byte.
constexpr unsigned PinLevelIn(const ConnectorPin &pin, std::uint8_t registerValue)
{
    return ((registerValue >> pin.bit) ^ (pin.inverted ? 1u : 0u)) & 1u;
}

// Flag bit 0 = S3 ... bit 4 = S7.
constexpr std::uint8_t DecodeStatus(std::uint8_t value)
{
    return static_cast<std::uint8_t>(((value >> 3) & 0x1F) ^
                                     (invertedMask(PortRegister::Status) >> 3));
}

// Flag bit n = level of Cn.
constexpr std::uint8_t DecodeControlRead(std::uint8_t value)
{
    return static_cast<std::uint8_t>((value & 0x0F) ^ invertedMask(PortRegister::Control));
}
