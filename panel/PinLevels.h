#pragma once

#include <array>
#include <cstdint>

// The remembered output levels and the register bytes made from them.
struct PinLevels {
    std::array<std::uint8_t, 8> data{};
    std::array<std::uint8_t, 4> control{};
    std::uint8_t dataByte = 0;
    std::uint8_t controlByte = 0;
};

// The one record of the running program; it outlives the window and is never reset.
PinLevels &ProcessPinLevels();
