#include "PortOpening.h"

#include "DirectPort.h"
#include "DirectPortGrant.h"
#include "KernelParport.h"
#include "PortDoctor.h"
#include "PpdevPort.h"
#include "SharedSimFile.h"
#include "SimulatedPort.h"
#include "ThreadGrantedPort.h"

namespace {

// With no device decoding the range, every read returns 0xFF (the bus floats high); a real
// port never shows that in all three registers at once, since its control bits 4-5 read 0
// in output mode.
bool somethingAnswers(PortBackend &port)
{
    for (auto reg : {PortRegister::Data, PortRegister::Status, PortRegister::Control}) {
        std::uint8_t value = 0xFF;
        if (port.readRegister(reg, value) && value != 0xFF)
            return true;
    }
    return false;
}

std::unique_ptr<PortBackend> openDirect(const DirectPortGrant &grant,
                                        std::vector<std::string> &refusals)
{
    if (!grant.granted) {
        refusals.push_back("direct: " + grant.refusal);
        return nullptr;
    }
    std::unique_ptr<PortBackend> port = std::make_unique<DirectPort>(grant.base);
    if (grant.perThread)
        port = std::make_unique<ThreadGrantedPort>(std::move(port), grant.base);
    if (grant.probe && !somethingAnswers(*port)) {
        refusals.push_back("direct: nothing answers at 0x" + HexAddress(grant.base) +
                           " and the kernel knows no parallel port");
        return nullptr;
    }
    return port;
}

std::string firstPortNode()
{
    const MachinePorts machine = DiscoverPorts();
    return "/dev/parport" +
           std::to_string(machine.ports.empty() ? 0 : machine.ports.front().number);
}

std::unique_ptr<PortBackend> openPpdev(std::string node, std::vector<std::string> &refusals)
{
    if (node.empty())
        node = firstPortNode();
    PpdevNode failed;
    auto port = PpdevPort::open(node, failed, KernelPpdevSystem());
    if (!port) {
        const std::string why = DiagnosePpdevNode(ThisMachine(), node, failed.error);
        refusals.push_back("ppdev: " + failed.failure + (why.empty() ? "" : ": " + why));
    }
    return port;
}

std::unique_ptr<PortBackend> openSimulated(const std::string &name,
                                           std::vector<std::string> &refusals)
{
    if (name.empty())
        return std::make_unique<SimulatedPort>();
    std::string why;
    auto shared = SharedSimFile::open(name, why);
    if (!shared) {
        refusals.push_back("sim:" + name + ": " + why);
        return nullptr;
    }
    return std::make_unique<SimulatedPort>(std::move(shared));
}

} // namespace

PortOpening OpenPortBackend(const ParsedPortChoice &parsed)
{
    return OpenPortBackend(parsed, CurrentDirectPortGrant());
}

PortOpening OpenPortBackend(const ParsedPortChoice &parsed, const DirectPortGrant &grant)
{
    PortOpening opening;
    if (!parsed.choice) {
        opening.refusals.push_back(parsed.error);
        return opening;
    }
    switch (parsed.choice->method) {
    case PortMethod::Auto:
        opening.backend = openDirect(grant, opening.refusals);
        if (!opening.backend)
            opening.backend = openPpdev(parsed.choice->ppdevNode, opening.refusals);
        break;
    case PortMethod::Direct:
        opening.backend = openDirect(grant, opening.refusals);
        break;
    case PortMethod::Ppdev:
        opening.backend = openPpdev(parsed.choice->ppdevNode, opening.refusals);
        break;
    case PortMethod::Simulated:
        opening.backend = openSimulated(parsed.choice->simName, opening.refusals);
        break;
    case PortMethod::None:
        opening.refusals.push_back(parsed.source + "=none: no port opened");
        break;
    }
    return opening;
}
