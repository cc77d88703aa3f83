#pragma once

#include "PortBackend.h"

// Reads and writes the registers with in/out instructions on the range granted at start-up.
class DirectPort final : public PortBackend {
public:
    bool readRegister(PortRegister reg, std::uint8_t &value) override;
    bool writeRegister(PortRegister reg, std::uint8_t value) override;
    std::string describe() const override { return "direct I/O at 0x378"; }
};
