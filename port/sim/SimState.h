#pragma once

#include <cstdint>

// What a simulated port holds, laid out as its shared file stores it: one byte each, so that
// programs sharing it read and write each register whole with single atomic byte accesses.
struct SimState {
    enum Plug : std::uint8_t { Loopback = 0, NoPlug = 1 };

    char magic[8];
    std::uint32_t version;
    std::uint8_t data;
    std::uint8_t control;
    std::uint8_t plug;
    std::uint8_t statusDriven; // bit n: S(n+3) is held by the outside
    std::uint8_t statusLevels; // its level there
    std::uint8_t dataDriven;   // bit n: Dn is held by the outside (shows while the lines are in)
    std::uint8_t dataLevels;
    std::uint8_t reserved[21];
};
static_assert(sizeof(SimState) == 40, "the shared file's size is part of its format");

inline constexpr char kSimStateMagic[8] = {'Z', 'E', 'L', 'V', 'S', 'I', 'M', '\0'};
inline constexpr std::uint32_t kSimStateVersion = 1;

// A port as at power-up: the BIOS leaves the control pins released, the loopback plug fitted.
SimState FreshSimState();

inline std::uint8_t LoadSimByte(const std::uint8_t &byte)
{
    return __atomic_load_n(&byte, __ATOMIC_ACQUIRE);
}

inline void StoreSimByte(std::uint8_t &byte, std::uint8_t value)
{
    __atomic_store_n(&byte, value, __ATOMIC_RELEASE);
}

// Changes the bits of mask to those of value, leaving another program's other bits be.
inline void UpdateSimBits(std::uint8_t &byte, std::uint8_t mask, std::uint8_t value)
{
    std::uint8_t was = LoadSimByte(byte);
    while (!__atomic_compare_exchange_n(&byte, &was,
                                        static_cast<std::uint8_t>((was & ~mask) | (value & mask)),
                                        false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) {
    }
}
