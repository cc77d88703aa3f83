#pragma once

#include <cstdint>

// Bits that the port hardware inverts between the register and the connector pin:
// control C0 (nStrobe), C1 (nAutoFeed), C3 (nSelectIn); status S7 (nBusy).
constexpr std::uint8_t kControlInvertedMask = 0x0B;
constexpr std::uint8_t kStatusInvertedMask = 0x80;
