#include "CtlOutput.h"
#include "PortDoctor.h"

#include "KernelParport.h"
#include "LoopbackJudge.h"
#include "PinNames.h"
#include "PinTable.h"

#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::ordered_json; // "type" stays first

void stamp(json &line, const EventTime &at)
{
    line["monotonic"] = std::chrono::duration<double>(at.monotonic).count();
    line["time"] = UtcTime(at);
}

// One object a line, each with its "type" first, for jq and for any JSON reader.
class JsonOutput final : public CtlOutput {
public:
    using CtlOutput::CtlOutput;

    void port(const ParallelPort &port, bool mayOpen) override
    {
        json line = object("port");
        line["port"] = "parport" + std::to_string(port.number);
        line["number"] = port.number;
        line["node"] = port.node;
        line["base"] = port.base ? "0x" + HexAddress(*port.base) : "none";
        line["base_address"] = port.base ? json(*port.base) : json(nullptr);
        line["modes"] = port.modes;
        line["data_inputs"] = ModesAllowDataInputs(port.modes);
        line["holder"] = port.holder;
        line["may_open"] = mayOpen;
        print(line);
    }

    void usbPrinter(const UsbPrinter &printer) override
    {
        json line = object("usb-printer");
        line["node"] = printer.node;
        line["drives_pins"] = false;
        print(line);
    }

    void finding(const std::string &text) override
    {
        json line = object("finding");
        line["text"] = text;
        print(line);
    }

    void pinList(bool dataIn) override
    {
        for (const ConnectorPin &pin : kConnectorPins) {
            json line = object("pin");
            line["pin"] = pin.label;
            line["signal"] = PinSignalName(pin);
            line["number"] = pin.number;
            line["register"] = pin.reg ? json(RegisterName(*pin.reg)) : json(nullptr);
            line["bit"] = pin.reg ? json(pin.bit) : json(nullptr);
            line["inverted"] = pin.inverted;
            line["direction"] = PinDirection(pin, dataIn);
            print(line);
        }
    }

    void registerValue(PortRegister reg, std::uint8_t value, const std::vector<PinLevel> &levels,
                       const EventTime *at) override
    {
        json line = object("register");
        line["register"] = RegisterName(reg);
        line["value"] = HexByte(value);
        line["byte"] = value;
        json pins = json::object();
        for (const PinLevel &level : levels)
            pins[std::string(level.pin->label)] = level.level;
        line["pins"] = pins;
        if (at)
            stamp(line, *at);
        print(line);
    }

    void pinLevel(const ConnectorPin &pin, unsigned level) override
    {
        json line = object("level");
        line["pin"] = pin.label;
        line["level"] = level;
        print(line);
    }

    void event(const ConnectorPin &pin, unsigned level, const EventTime &at) override
    {
        json line = object("event");
        line["pin"] = pin.label;
        line["signal"] = PinSignalName(pin);
        line["edge"] = level ? "rising" : "falling";
        line["level"] = level;
        stamp(line, at);
        print(line);
    }

    void wire(const WireVerdict &verdict) override
    {
        json line = object("wire");
        line["wire"] = verdict.wire;
        line["result"] = verdict.result;
        print(line);
    }

    void loopbackSummary(unsigned wires, unsigned failed) override
    {
        json line = object("summary");
        line["test"] = "loopback";
        line["passed"] = failed == 0;
        line["wires"] = wires;
        line["failed"] = failed;
        print(line);
    }

private:
    static json object(const char *type)
    {
        json line = json::object();
        line["type"] = type;
        return line;
    }

    // Text from outside (a device node) may be any bytes: replaced, never thrown on.
    void print(const json &line)
    {
        m_out << line.dump(-1, ' ', false, json::error_handler_t::replace) << "\n";
    }
};

} // namespace

std::unique_ptr<CtlOutput> MakeJsonOutput(std::ostream &out)
{
    return std::make_unique<JsonOutput>(out);
}
