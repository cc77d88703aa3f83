#include "PortOpening.h"

#include "DirectPort.h"
#include "DirectPortGrant.h"
#include "MessageText.h"
#include "PpdevPort.h"
#include "SimulatedPort.h"

namespace {

// With no device decoding 0x378, every read returns 0xFF (the bus floats high); a real port
// never shows that in all three registers at once, since its control bits 4-5 read 0 in
// output mode.
bool somethingAnswersAt0x378(PortBackend &port)
{
    for (auto reg : {PortRegister::Data, PortRegister::Status, PortRegister::Control}) {
        std::uint8_t value = 0xFF;
        if (port.readRegister(reg, value) && value != 0xFF)
            return true;
    }
    return false;
}

std::unique_ptr<PortBackend> openDirect(PortChoice choice, std::vector<std::string> &refusals)
{
    const DirectPortGrant &grant = CurrentDirectPortGrant();
    if (!grant.granted) {
        refusals.push_back("direct: " + grant.refusal);
        return nullptr;
    }
    auto port = std::make_unique<DirectPort>();
    if (choice == PortChoice::Auto && !somethingAnswersAt0x378(*port)) {
        refusals.push_back("direct: nothing answers at 0x378");
        return nullptr;
    }
    return port;
}

std::unique_ptr<PortBackend> openPpdev(const std::string &path, std::vector<std::string> &refusals)
{
    std::string refusal;
    auto port = PpdevPort::open(path, refusal);
    if (!port)
        refusals.push_back("ppdev: " + refusal);
    return port;
}

} // namespace

PortOpening OpenPortBackend(const PortOpeningSettings &settings)
{
    PortOpening opening;
    const auto choice = ParsePortChoice(settings.choice);
    if (!choice) {
        opening.refusals.push_back("ZELVANE_PORT=" + QuotedForMessage(settings.choice) +
                                   " is not known; use " + std::string(kPortChoiceValues));
        return opening;
    }
    switch (*choice) {
    case PortChoice::Auto:
        opening.backend = openDirect(*choice, opening.refusals);
        if (!opening.backend)
            opening.backend = openPpdev(settings.ppdevPath, opening.refusals);
        break;
    case PortChoice::Direct:
        opening.backend = openDirect(*choice, opening.refusals);
        break;
    case PortChoice::Ppdev:
        opening.backend = openPpdev(settings.ppdevPath, opening.refusals);
        break;
    case PortChoice::Simulated:
        opening.backend = std::make_unique<SimulatedPort>();
        break;
    case PortChoice::None:
        opening.refusals.push_back("ZELVANE_PORT=none: no port opened");
        break;
    }
    return opening;
}
