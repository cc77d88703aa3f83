#pragma once

#include "EventTime.h"
#include "PinLogic.h"
#include "PortDiscovery.h"
#include "PortRegister.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

struct ConnectorPin;
struct WireVerdict;

// One form of zelvanectl's standard output: what each command reports, whatever the form.
class CtlOutput {
public:
    explicit CtlOutput(std::ostream &out) : m_out(out) {}
    virtual ~CtlOutput() = default;

    virtual void port(const ParallelPort &port, bool mayOpen) = 0;
    virtual void usbPrinter(const UsbPrinter &printer) = 0;
    virtual void finding(const std::string &text) = 0; // the doctor's, "subject: cause; fix: ..."
    virtual void pinList(bool dataIn) = 0;             // dataIn: D0-D7 are inputs now
    // levels: the pins to show, as the user's logic reads them. at: the watch's state line,
    // stamped; null for a read.
    virtual void registerValue(PortRegister reg, std::uint8_t value,
                               const std::vector<PinLevel> &levels, const EventTime *at) = 0;
    virtual void pinLevel(const ConnectorPin &pin, unsigned level) = 0;
    virtual void event(const ConnectorPin &pin, unsigned level, const EventTime &at) = 0;
    virtual void wire(const WireVerdict &verdict) = 0;
    virtual void loopbackSummary(unsigned wires, unsigned failed) = 0;

    std::ostream &stream() { return m_out; }

protected:
    std::ostream &m_out;
};

std::unique_ptr<CtlOutput> MakeTextOutput(std::ostream &out);
std::unique_ptr<CtlOutput> MakeJsonOutput(std::ostream &out);
