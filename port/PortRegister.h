#pragma once

#include <cstdint>
#include <optional>

// The three byte-wide registers of the first printer port; nothing else is ever addressed.
enum class PortRegister : std::uint16_t {
    Data = 0x378,
    Status = 0x379,
    Control = 0x37A,
};

constexpr std::uint16_t kFirstPortBase = 0x378;

constexpr std::optional<PortRegister> portRegisterAt(unsigned address)
{
    switch (address) {
    case 0x378:
        return PortRegister::Data;
    case 0x379:
        return PortRegister::Status;
    case 0x37A:
        return PortRegister::Control;
    default:
        return std::nullopt;
    }
}

constexpr const char *RegisterName(PortRegister reg)
{
    switch (reg) {
    case PortRegister::Data:
        return "data";
    case PortRegister::Status:
        return "status";
    case PortRegister::Control:
        return "control";
    }
    return "";
}
