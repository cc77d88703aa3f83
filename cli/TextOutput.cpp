#include "CtlOutput.h"
#include "PortDoctor.h"

#include "KernelParport.h"
#include "LoopbackJudge.h"
#include "PinNames.h"
#include "PinTable.h"

#include <cstdio>

namespace {

// Words and columns for people, and for awk.
class TextOutput final : public CtlOutput {
public:
    using CtlOutput::CtlOutput;

    void port(const ParallelPort &port, bool mayOpen) override
    {
        m_out << "parport" << port.number << " node=" << (port.node.empty() ? "none" : port.node)
              << " base=" << (port.base ? "0x" + HexAddress(*port.base) : "none")
              << " modes=" << port.modes
              << " data-in=" << (ModesAllowDataInputs(port.modes) ? "yes" : "no")
              << " holder=" << port.holder << " may-open=" << (mayOpen ? "yes" : "no") << "\n";
    }

    void usbPrinter(const UsbPrinter &printer) override
    {
        m_out << "usb-printer node=" << printer.node
              << " (printer class: cannot drive single pins)\n";
    }

    void finding(const std::string &text) override { m_out << text << "\n"; }

    void pinList(bool dataIn) override
    {
        char line[96];
        auto row = [&](const char *number, const char *name, const char *signal, const char *reg,
                       const char *bit, const char *inverted, const char *direction) {
            std::snprintf(line, sizeof line, "%-4s %-5s %-9s %-9s %-4s %-9s %s\n", number, name,
                          signal, reg, bit, inverted, direction);
            m_out << line;
        };
        row("PIN", "NAME", "SIGNAL", "REGISTER", "BIT", "INVERTED", "DIRECTION");
        for (const ConnectorPin &pin : kConnectorPins) {
            const std::string number = std::to_string(pin.number);
            const std::string bit = pin.reg ? std::to_string(pin.bit) : "-";
            row(number.c_str(), std::string(pin.label).c_str(),
                std::string(PinSignalName(pin)).c_str(), pin.reg ? RegisterName(*pin.reg) : "-",
                bit.c_str(), pin.inverted ? "yes" : "no",
                std::string(PinDirection(pin, dataIn)).c_str());
        }
    }

    void registerValue(PortRegister reg, std::uint8_t value, const std::vector<PinLevel> &levels,
                       const EventTime *at) override
    {
        if (at)
            m_out << MonotonicSeconds(*at) << " ";
        m_out << RegisterName(reg) << " " << HexByte(value);
        for (const PinLevel &level : levels)
            m_out << " " << level.pin->label << "=" << level.level;
        m_out << "\n";
    }

    void pinLevel(const ConnectorPin &, unsigned level) override { m_out << level << "\n"; }

    void event(const ConnectorPin &pin, unsigned level, const EventTime &at) override
    {
        m_out << MonotonicSeconds(at) << " " << pin.label << " " << (level ? "rising" : "falling")
              << "\n";
    }

    void wire(const WireVerdict &verdict) override
    {
        m_out << verdict.wire << " " << verdict.result << "\n";
    }

    void loopbackSummary(unsigned, unsigned failed) override
    {
        m_out << (failed ? "loopback test FAILED\n" : "loopback test passed\n");
    }
};

} // namespace

std::unique_ptr<CtlOutput> MakeTextOutput(std::ostream &out)
{
    return std::make_unique<TextOutput>(out);
}
