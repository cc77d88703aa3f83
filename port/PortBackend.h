#pragma once

#include "PortRegister.h"

#include <cstdint>
#include <string>

// One way of reaching the port's registers, chosen once when the driver opens.
class PortBackend {
public:
    virtual ~PortBackend() = default;

    // Both return false when the access did not reach the port; value is then untouched.
    virtual bool readRegister(PortRegister reg, std::uint8_t &value) = 0;
    virtual bool writeRegister(PortRegister reg, std::uint8_t value) = 0;
    // A read that never waits: where the port cannot be had at once, it fails at once.
    virtual bool readRegisterNow(PortRegister reg, std::uint8_t &value)
    {
        return readRegister(reg, value);
    }

    // Short name for messages, e.g. "ppdev /dev/parport0".
    virtual std::string describe() const = 0;

    // Why the port can no longer be reached (it went away); empty while it can.
    virtual std::string lostReason() const { return {}; }
    // What the user should hear about a failed access (once), or empty.
    virtual std::string takeNotice() { return {}; }

    // A port shared with other programs is taken for a sequence of accesses and given back
    // after; for the others these do nothing.
    virtual bool hold() { return true; }
    virtual void letGo() {}
};
