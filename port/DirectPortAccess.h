#pragma once

#include "PortBackend.h"

#include <string>

// Direct register I/O needs the I/O permission bitmap for 0x378-0x37A. Both that bitmap and
// capabilities belong to a thread, so the grant is asked for while the process has only one
// thread; every capability is then dropped, so nothing after it runs privileged.
struct DirectPortGrant {
    bool granted = false;
    std::string refusal; // why it was not granted, for the user
};

// Call first thing in main, before any thread starts. Asks only where the port choice
// (ZELVANE_PORT) may use direct I/O, then drops all capabilities in any case.
const DirectPortGrant &RequestDirectPortGrant();
const DirectPortGrant &CurrentDirectPortGrant();

// Reads and writes the registers with in/out instructions on the granted range.
class DirectPort final : public PortBackend {
public:
    bool readRegister(PortRegister reg, std::uint8_t &value) override;
    bool writeRegister(PortRegister reg, std::uint8_t value) override;
    std::string describe() const override { return "direct I/O at 0x378"; }
};
