#pragma once

#include "PortBackend.h"

// Reads and writes the registers with in/out instructions on the range granted at start-up:
// the design's 0x378-0x37A land on the chosen port's three registers.
class DirectPort final : public PortBackend {
public:
    explicit DirectPort(unsigned base) : m_base(base) {}

    bool readRegister(PortRegister reg, std::uint8_t &value) override;
    bool writeRegister(PortRegister reg, std::uint8_t value) override;
    std::string describe() const override;

private:
    unsigned short address(PortRegister reg) const
    {
        return static_cast<unsigned short>(m_base + static_cast<unsigned>(reg) - kFirstPortBase);
    }

    unsigned m_base;
};
