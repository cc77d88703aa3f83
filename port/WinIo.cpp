#include "WinIo.h"

#include <optional>

namespace {

PortOpening openSelectedPort()
{
    return OpenPortBackend(SelectedPortChoice());
}

struct Driver {
    std::unique_ptr<PortBackend> backend;
    std::vector<std::string> refusals;
    PortOpener opener = openSelectedPort;
    PortNoticeHandler noticeHandler;
    std::uint64_t unreached = 0;
    DataDirection direction = DataDirection::Out;
};

Driver g_driver; // the driver is process-wide, as the operations' signatures imply

std::optional<PortRegister> acceptedRegister(unsigned portAddress, unsigned size)
{
    if (size != 1)
        return std::nullopt;
    return portRegisterAt(portAddress);
}

void tell(const std::optional<PortNotice> &notice)
{
    if (notice && g_driver.noticeHandler)
        g_driver.noticeHandler(*notice);
}

bool unreached()
{
    ++g_driver.unreached;
    return false;
}

// A port that went away counts as closed from then on; either way the user hears once.
bool failedAccess()
{
    if (const auto lost = g_driver.backend->lost()) {
        g_driver.backend.reset();
        tell(lost);
    } else {
        while (const auto notice = g_driver.backend->takeNotice())
            tell(notice);
    }
    return unreached();
}

} // namespace

bool InitializeWinIo()
{
    g_driver.backend.reset(); // a second opening replaces the first
    g_driver.direction = DataDirection::Out;
    PortOpening opening = g_driver.opener();
    g_driver.backend = std::move(opening.backend);
    g_driver.refusals = std::move(opening.refusals);
    if (g_driver.backend)
        g_driver.direction = g_driver.backend->dataDirectionAtOpening();
    return g_driver.backend != nullptr;
}

void ShutdownWinIo()
{
    g_driver.backend.reset();
    g_driver.direction = DataDirection::Out;
}

bool GetPortVal(unsigned portAddress, std::uint32_t *value, unsigned size)
{
    const auto reg = acceptedRegister(portAddress, size);
    if (!reg || !value)
        return unreached();
    *value = kUnreadablePortValue;
    std::uint8_t byte = 0;
    if (!g_driver.backend)
        return unreached();
    if (!g_driver.backend->readRegister(*reg, byte))
        return failedAccess();
    *value = byte;
    return true;
}

bool GetPortValNow(unsigned portAddress, std::uint32_t *value, unsigned size)
{
    const auto reg = acceptedRegister(portAddress, size);
    if (!reg || !value || !g_driver.backend)
        return unreached();
    std::uint8_t byte = 0;
    if (!g_driver.backend->readRegisterNow(*reg, byte))
        return failedAccess();
    *value = byte;
    return true;
}

bool SetPortVal(unsigned portAddress, std::uint32_t value, unsigned size)
{
    const auto reg = acceptedRegister(portAddress, size);
    if (!reg || !g_driver.backend || value > 0xFF)
        return unreached();
    return g_driver.backend->writeRegister(*reg, static_cast<std::uint8_t>(value)) ||
           failedAccess();
}

const std::vector<std::string> &PortRefusals()
{
    return g_driver.refusals;
}

std::string OpenPortDescription()
{
    return g_driver.backend ? g_driver.backend->describe() : std::string();
}

std::optional<unsigned> OpenKernelPortNumber()
{
    return g_driver.backend ? g_driver.backend->kernelPortNumber() : std::nullopt;
}

std::uint64_t UnreachedPortAccesses()
{
    return g_driver.unreached;
}

void SetPortOpener(PortOpener opener)
{
    g_driver.opener = opener ? std::move(opener) : PortOpener(openSelectedPort);
}

void SetPortNoticeHandler(PortNoticeHandler handler)
{
    g_driver.noticeHandler = std::move(handler);
}

DirectionAbility DataDirectionAbility()
{
    if (!g_driver.backend)
        return {DirectionAbility::Unable, "no port is open"};
    return g_driver.backend->dataDirectionAbility();
}

bool SetDataDirection(DataDirection direction)
{
    if (!g_driver.backend)
        return unreached();
    if (!g_driver.backend->setDataDirection(direction))
        return failedAccess();
    g_driver.direction = direction;
    return true;
}

DataDirection CurrentDataDirection()
{
    return g_driver.direction;
}

void KeepDataDirectionAtClose()
{
    if (g_driver.backend)
        g_driver.backend->keepDataDirectionAtClose();
}

bool HoldPort()
{
    if (!g_driver.backend)
        return false;
    return g_driver.backend->hold() || failedAccess();
}

bool HoldPortNow()
{
    if (!g_driver.backend)
        return false;
    return g_driver.backend->holdNow() || failedAccess();
}

bool ReservePort()
{
    if (!g_driver.backend)
        return false;
    return g_driver.backend->reserve() || failedAccess();
}

void LetGoOfPort()
{
    if (g_driver.backend)
        g_driver.backend->letGo();
}
