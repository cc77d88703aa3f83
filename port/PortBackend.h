#pragma once

#include "PortNotice.h"
#include "PortRegister.h"

#include <cstdint>
#include <optional>
#include <string>

// Which way the data lines go: driving the pins (as at every start) or reading them, on a
// bidirectional (PS/2, EPP or ECP) port.
enum class DataDirection { Out, In };

// Whether the data lines can be turned into inputs, and why not where they cannot.
struct DirectionAbility {
    enum { Able, Unable, Untested } answer = Unable;
    std::string why = {};    // where Unable: the cause and the fix
    bool outputOnly = false; // Unable as an SPP port is, which the firmware setup can change
};

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
    // The kernel's parportN behind this backend, where there is one.
    virtual std::optional<unsigned> kernelPortNumber() const { return std::nullopt; }

    // Why the port can no longer be reached (it went away); nullopt while it can.
    virtual std::optional<PortNotice> lost() const { return std::nullopt; }
    // What the user should hear about a failed access (each once, one at a time), or nullopt.
    virtual std::optional<PortNotice> takeNotice() { return std::nullopt; }

    // The data lines' direction. Out again when the port closes, unless kept. Turning them in
    // leaves the registers' other bits as they were; with them in, a data write only sets the
    // latch the pins show once they are out again, and a data read returns the pins.
    virtual DirectionAbility dataDirectionAbility()
    {
        return {DirectionAbility::Unable, "this port has no data direction"};
    }
    virtual bool setDataDirection(DataDirection) { return false; }
    // Out, but where another program left a shared port's lines in.
    virtual DataDirection dataDirectionAtOpening() const { return DataDirection::Out; }
    virtual void keepDataDirectionAtClose() {}

    // A port shared with other programs: reserve keeps other copies of ours off it across
    // waits, without claiming it; hold claims it for accesses with no wait between; letGo
    // gives back both. Elsewhere these do nothing.
    virtual bool reserve() { return true; }
    virtual bool hold() { return true; }
    // hold for reads that never wait: where the port cannot be had at once, false at once.
    virtual bool holdNow() { return true; }
    virtual void letGo() {}
};
