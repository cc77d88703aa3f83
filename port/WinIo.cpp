#include "WinIo.h"

#include "PortChoice.h"
#include "PortOpening.h"

#include <optional>

namespace {

struct Driver {
    std::unique_ptr<PortBackend> backend;
    std::vector<std::string> refusals;
    PortBackendOpener opener;
    PortLossHandler lossHandler;
};

Driver g_driver; // the driver is process-wide, as the operations' signatures imply

Driver &driver()
{
    return g_driver;
}

std::optional<PortRegister> acceptedRegister(unsigned portAddress, unsigned size)
{
    if (size != 1)
        return std::nullopt;
    return portRegisterAt(portAddress);
}

// A port that went away counts as closed from then on, and is reported once.
bool failedAccess(Driver &d)
{
    std::string reason = d.backend->lostReason();
    if (!reason.empty()) {
        d.backend.reset();
        if (d.lossHandler)
            d.lossHandler(reason);
    }
    return false;
}

} // namespace

bool InitializeWinIo()
{
    Driver &d = driver();
    d.backend.reset();
    d.refusals.clear();
    if (d.opener) {
        d.backend = d.opener();
        if (!d.backend)
            d.refusals.push_back("the test opener gave no port");
    } else {
        PortOpening opening = OpenPortBackend({PortChoiceFromEnvironment()});
        d.backend = std::move(opening.backend);
        d.refusals = std::move(opening.refusals);
    }
    return d.backend != nullptr;
}

void ShutdownWinIo()
{
    driver().backend.reset();
}

bool GetPortVal(unsigned portAddress, std::uint32_t *value, unsigned size)
{
    const auto reg = acceptedRegister(portAddress, size);
    if (!reg || !value)
        return false;
    *value = kUnreadablePortValue;
    Driver &d = driver();
    std::uint8_t byte = 0;
    if (!d.backend)
        return false;
    if (!d.backend->readRegister(*reg, byte))
        return failedAccess(d);
    *value = byte;
    return true;
}

bool SetPortVal(unsigned portAddress, std::uint32_t value, unsigned size)
{
    const auto reg = acceptedRegister(portAddress, size);
    Driver &d = driver();
    if (!reg || !d.backend || value > 0xFF)
        return false;
    return d.backend->writeRegister(*reg, static_cast<std::uint8_t>(value)) || failedAccess(d);
}

const std::vector<std::string> &PortRefusals()
{
    return driver().refusals;
}

std::string OpenPortDescription()
{
    const PortBackend *backend = driver().backend.get();
    return backend ? backend->describe() : std::string();
}

void SetPortBackendOpener(PortBackendOpener opener)
{
    driver().opener = std::move(opener);
}

void SetPortLossHandler(PortLossHandler handler)
{
    driver().lossHandler = std::move(handler);
}
