#include "WinIo.h"

#include "PortChoice.h"
#include "PortOpening.h"

#include <optional>

namespace {

struct Driver {
    std::unique_ptr<PortBackend> backend;
    std::vector<std::string> refusals;
    PortBackendOpener opener;
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
    PortBackend *backend = driver().backend.get();
    std::uint8_t byte = 0;
    if (!backend || !backend->readRegister(*reg, byte))
        return false;
    *value = byte;
    return true;
}

bool SetPortVal(unsigned portAddress, std::uint32_t value, unsigned size)
{
    const auto reg = acceptedRegister(portAddress, size);
    PortBackend *backend = driver().backend.get();
    if (!reg || !backend || value > 0xFF)
        return false;
    return backend->writeRegister(*reg, static_cast<std::uint8_t>(value));
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
